#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/Types.h"

// The application object: the message loop, the forms it owns, which form the user works in,
// the standard error box, the message box, the clipboard and the desktop's default action.
namespace veloria::widgets {

class TForm;

// A box the program showed, as tests capture it.
struct ShownDialog {
    enum class Kind { Error, Message };
    Kind kind;
    std::string text;     // Windows-1252, as shown
    std::string caption;  // the title bar
};

class TApplication {
  public:
    static TApplication& Instance();

    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Once a QApplication exists: the look every window is laid out against (style, the font
    // names the windows ask for).
    void Initialize();

    void SetTitle(std::string_view title);
    const std::string& Title() const { return title_; }
    // The icon of every window, under this name: the copy built into the program as
    // ":/icons/<name>-<size>.png", the picture the program installs into the icon theme.
    void SetIcon(std::string_view name);

    // Creates a form the application owns until the loop ends; the first one becomes the main
    // form, whose closing ends the program. Defined in Form.h.
    template <class T, class... Args>
    T* CreateForm(Args&&... args);
    TForm* MainForm() const;

    // Start-up work the first window the user sees can do without: run once the window of this
    // object name has been painted and handed to the display, or earlier by FinishStarting. The
    // work reports its own failures.
    void AfterFirstPaint(std::string window, std::function<void()> work);
    // Runs the start-up work left, if any: called before anything that needs it.
    void FinishStarting();

    // Shows the main form and runs the message loop until it is closed or Terminate is called;
    // then destroys the forms the application owns.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    void ProcessMessages();
    void DestroyForms();

    // The standard error box: the message, an OK button, the application's title.
    void ShowException(std::string_view message);
    // A box with the text and OK, modal over the form the user works in. Returns IDOK.
    int MessageBox(std::string_view text, std::string_view caption, int flags = MB_OK);

    // The form the user works in: the one shown last that is still showing.
    TForm* ActiveForm() const;

    // Replaces the boxes by a function (tests): it receives what would be shown and gives the
    // answer. An empty hook shows real boxes again.
    using DialogHook = std::function<int(const ShownDialog&)>;
    void SetDialogHook(DialogHook hook) { dialogHook_ = std::move(hook); }
    // Replaces the desktop's default action (tests): the hook receives what would be opened and
    // answers whether a program opened it.
    using ShellHook = std::function<bool(const std::string&)>;
    void SetShellHook(ShellHook hook) { shellHook_ = std::move(hook); }
    const ShellHook& GetShellHook() const { return shellHook_; }
    // The program that opens files and addresses with the desktop's default action, given the
    // file's path or the address; it ends with status 0 when a program opened it. xdg-open unless
    // set (tests).
    void SetShellOpener(std::string program) { shellOpener_ = std::move(program); }
    const std::string& ShellOpener() const { return shellOpener_; }

  private:
    friend class TForm;
    TApplication() = default;
    ~TApplication();

    void Adopt(std::unique_ptr<TForm> form);
    void PushActive(TForm& form);
    void PopActive(TForm& form);
    void BringToTop(TForm& form);
    void Reactivate();
    int ShowDialog(const ShownDialog& dialog);

    std::string title_;
    std::vector<std::unique_ptr<TForm>> forms_;
    QPointer<TForm> mainForm_;
    std::vector<QPointer<TForm>> active_;  // showing forms, the one the user works in last
    DialogHook dialogHook_;
    ShellHook shellHook_;
    std::string shellOpener_ = "xdg-open";
    std::function<void()> startWork_;
    QPointer<QObject> paintWatch_;
    bool initialized_ = false;
    bool terminated_ = false;
};

namespace detail {
// Raises and activates a top-level window, as far as the platform lets it.
void ActivateWindow(QWidget& window);
}  // namespace detail

inline TApplication& Application() {
    return TApplication::Instance();
}

// Clipboard text (Windows-1252).
class TClipboard {
  public:
    std::string AsText() const;
    void SetAsText(std::string_view text);
    // Formatted text with its plain form, as rich-text boxes copy.
    void SetAsHtml(const std::string& htmlUtf8, std::string_view plainText);
    bool HasHtml() const;
    void Clear();
};
TClipboard& Clipboard();

// Opens a file of the working directory or a web address with the desktop's default action. When
// no program could open it (the opener cannot be started, or ends with a failure), onFailure runs
// from the message loop, given what was to be opened: the file's full path, or the address.
// Without onFailure the result is not examined.
void ShellOpen(std::string_view fileOrAddress,
               std::function<void(const std::string& opened)> onFailure = {});

}  // namespace veloria::widgets
