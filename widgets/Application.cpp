#include "widgets/Application.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QStyleFactory>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <exception>
#include <string>
#include <utility>

#include "store/Table.h"
#include "store/Text.h"
#include "widgets/Accessible.h"
#include "widgets/DataLink.h"
#include "widgets/Form.h"
#include "widgets/Picture.h"
#include "widgets/QtText.h"
#include "widgets/SessionBus.h"
#include "widgets/Zoom.h"

namespace veloria::widgets {

// --- data links --------------------------------------------------------------------------------

namespace {
std::vector<DataLink*>& Links() {
    static std::vector<DataLink*> links;
    return links;
}
bool syncing = false;

std::string MessageOf(const std::exception_ptr& failure) {
    if (!failure)
        return "Unknown error";
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}
}  // namespace

DataLink::DataLink() {
    Links().push_back(this);
}

DataLink::~DataLink() {
    std::erase(Links(), this);
}

void DataLink::SyncAll() {
    if (syncing)
        return;
    // Reset however the pass ends: left set, no bound control would follow its table again.
    struct Pass {
        Pass() { syncing = true; }
        ~Pass() { syncing = false; }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
    } pass;
    std::exception_ptr failure;
    const std::vector<DataLink*> links = Links();
    for (DataLink* link : links) {
        if (std::find(Links().begin(), Links().end(), link) == Links().end() || link->Detached())
            continue;
        // One control that cannot follow its table does not stop the others. Its failure is
        // reported once for as long as it fails the same way: the sync runs after every
        // handler, and a box at every one of them would leave the user no way out.
        try {
            link->SyncFromData();
            link->failure_.clear();
        } catch (...) {
            const std::string what = MessageOf(std::current_exception());
            if (link->failure_ != what && !failure)
                failure = std::current_exception();
            link->failure_ = what;
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

namespace detail {

void ActivateWindow(QWidget& window) {
    // Without a window manager a shown window is never activated by itself, and Qt activates
    // asynchronously: ask the window system, and tell Qt at once.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        window.raise();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
}

void HandleCurrentException() noexcept {
    try {
        const std::string message = MessageOf(std::current_exception());
        // Messages come from the table engine (UTF-8 where they quote a character) or carry
        // Windows-1252 names; the box shows either.
        std::string shown;
        try {
            shown = store::FromUtf8(message);
        } catch (...) {
            shown = message;
        }
        Application().ShowException(shown);
    } catch (...) {
    }
}

// What the tables leave for when the program finds time (their logs written into their files, a
// result table's next emptying made ahead) is done once the handler that left it, and what it set
// off, are done: not while the user waits for the handler.
void ScheduleIdleWork() {
    static bool scheduled = false;
    if (scheduled || !store::IdleWorkDue())
        return;
    scheduled = true;
    QTimer::singleShot(0, [] {
        scheduled = false;
        Dispatch(std::function<void()>(store::RunIdleWork));
    });
}

void AfterEvent() noexcept {
    try {
        DataLink::SyncAll();
    } catch (...) {
        HandleCurrentException();
    }
    try {
        ScheduleIdleWork();
    } catch (...) {
        HandleCurrentException();
    }
}

}  // namespace detail

// --- application -------------------------------------------------------------------------------

TApplication& TApplication::Instance() {
    static TApplication* app = new TApplication;  // outlives every form, never destroyed
    return *app;
}

TApplication::~TApplication() = default;

void TApplication::Initialize() {
    if (initialized_)
        return;
    initialized_ = true;
    FindSessionBusOfDisplay();
    InstallAccessibility();
    detail::InstallZoomKeys();
    if (title_.empty())
        title_ = FromQString(QCoreApplication::applicationName());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The font names the windows ask for, with shapes of the same metrics.
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    // The classic desktop colours the windows were laid out against.
    QPalette p = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Window, ToQColor(clBtnFace));
        p.setColor(group, QPalette::Button, ToQColor(clBtnFace));
        p.setColor(group, QPalette::Base, ToQColor(clWindow));
        p.setColor(group, QPalette::WindowText, ToQColor(clWindowText));
        p.setColor(group, QPalette::Text, ToQColor(clWindowText));
        p.setColor(group, QPalette::ButtonText, ToQColor(clWindowText));
        p.setColor(group, QPalette::Highlight, ToQColor(clHighlight));
        p.setColor(group, QPalette::HighlightedText, ToQColor(clHighlightText));
    }
    p.setColor(QPalette::Disabled, QPalette::Window, ToQColor(clBtnFace));
    p.setColor(QPalette::Disabled, QPalette::Button, ToQColor(clBtnFace));
    p.setColor(QPalette::Disabled, QPalette::WindowText, ToQColor(clGrayText));
    p.setColor(QPalette::Disabled, QPalette::Text, ToQColor(clGrayText));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, ToQColor(clGrayText));
    QApplication::setPalette(p);
    QApplication::setEffectEnabled(Qt::UI_AnimateTooltip, false);
    QApplication::setEffectEnabled(Qt::UI_FadeTooltip, false);
}

void TApplication::SetTitle(std::string_view title) {
    title_ = title;
}

void TApplication::SetIcon(std::string_view name) {
    const QString n = QString::fromUtf8(name.data(), qsizetype(name.size()));
    // The built-in copy is the installed theme's own picture, so no theme is searched: that
    // search, and the larger sizes, which X hands to the window manager with every window made,
    // took a tenth of the start. A title bar or task list shows at most 64 pixels; the desktop's
    // launchers read the theme. Each size is decoded here, as PNG: given the files, QIcon would
    // guess their format when the first window is made, by loading every image plug-in to ask it.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        QFile file(QStringLiteral(":/icons/%1-%2.png").arg(n).arg(size));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QImage image = DecodeImage(BytesOf(file.readAll()), "PNG");
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    QApplication::setWindowIcon(icon);
}

namespace {
// Watches for the first paint of a window, then hands the start-up work to the loop.
class FirstPaintWatch : public QObject {
  public:
    FirstPaintWatch(QString window, QObject* parent)
        : QObject(parent), window_(std::move(window)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window()->objectName() == window_) {
            seen_ = true;
            // A turn of the loop later: the window's other widgets are painted, the whole
            // handed to the display, and what the paint set off done (a timer it set). Not if
            // the windows were destroyed meanwhile: the work would be the next start's.
            QTimer::singleShot(0, this, [this] {
                QTimer::singleShot(0, qApp, [watch = QPointer<FirstPaintWatch>(this)] {
                    if (watch)
                        Application().FinishStarting();
                });
            });
        }
        return false;
    }

  private:
    QString window_;
    bool seen_ = false;
};
}  // namespace

void TApplication::AfterFirstPaint(std::string window, std::function<void()> work) {
    delete paintWatch_.data();
    startWork_ = std::move(work);
    paintWatch_ = new FirstPaintWatch(ToQString(window), qApp);
    qApp->installEventFilter(paintWatch_);
}

void TApplication::FinishStarting() {
    delete paintWatch_.data();
    // Taken first: the work may show a box, whose loop paints, and must not run twice.
    if (const std::function<void()> work = std::exchange(startWork_, {}))
        work();
}

void TApplication::Adopt(std::unique_ptr<TForm> form) {
    if (!mainForm_)
        mainForm_ = form.get();
    forms_.push_back(std::move(form));
}

TForm* TApplication::MainForm() const {
    return mainForm_.data();
}

void TApplication::Run() {
    if (mainForm_ && !terminated_)
        mainForm_->Show();
    if (!terminated_)
        QApplication::exec();
    DestroyForms();
}

void TApplication::Terminate() {
    terminated_ = true;
    QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents();
}

void TApplication::DestroyForms() {
    delete paintWatch_.data();
    startWork_ = {};
    while (!forms_.empty())
        forms_.pop_back();
    mainForm_ = nullptr;
}

TForm* TApplication::ActiveForm() const {
    for (auto it = active_.rbegin(); it != active_.rend(); ++it) {
        if (*it && (*it)->isVisible())
            return it->data();
    }
    return nullptr;
}

void TApplication::PushActive(TForm& form) {
    std::erase_if(active_, [&](const QPointer<TForm>& f) { return !f || f == &form; });
    active_.emplace_back(&form);
    detail::ActivateWindow(form);
    form.SetQtFocus();
}

void TApplication::PopActive(TForm& form) {
    std::erase_if(active_, [](const QPointer<TForm>& f) { return !f; });
    const bool wasActive = !active_.empty() && active_.back() == &form;
    std::erase_if(active_, [&](const QPointer<TForm>& f) { return f == &form; });
    if (wasActive)
        Reactivate();
}

void TApplication::BringToTop(TForm& form) {
    std::erase_if(active_, [&](const QPointer<TForm>& f) { return !f || f == &form; });
    active_.emplace_back(&form);
}

void TApplication::Reactivate() {
    if (TForm* top = ActiveForm())
        top->Restore();
}

int TApplication::ShowDialog(const ShownDialog& dialog) {
    if (dialogHook_)
        return dialogHook_(dialog);
    QMessageBox box(
        dialog.kind == ShownDialog::Kind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
        ToQString(dialog.caption), ToQString(dialog.text), QMessageBox::Ok, ActiveForm());
    box.setTextFormat(Qt::PlainText);
    box.exec();
    Reactivate();
    return IDOK;
}

void TApplication::ShowException(std::string_view message) {
    std::string text(message);
    // As the platform's error box words it: a closing full stop unless the message ends in
    // punctuation already.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    ShowDialog({ShownDialog::Kind::Error, text, title_});
}

int TApplication::MessageBox(std::string_view text, std::string_view caption, int) {
    return ShowDialog({ShownDialog::Kind::Message, std::string(text), std::string(caption)});
}

// --- clipboard and shell -----------------------------------------------------------------------

std::string TClipboard::AsText() const {
    return FromQString(QGuiApplication::clipboard()->text());
}

void TClipboard::SetAsText(std::string_view text) {
    QGuiApplication::clipboard()->setText(ToQString(text));
}

void TClipboard::SetAsHtml(const std::string& htmlUtf8, std::string_view plainText) {
    auto* data = new QMimeData;  // the clipboard takes it
    data->setHtml(QString::fromStdString(htmlUtf8));
    data->setText(ToQString(plainText));
    QGuiApplication::clipboard()->setMimeData(data);
}

bool TClipboard::HasHtml() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasHtml();
}

void TClipboard::Clear() {
    QGuiApplication::clipboard()->clear();
}

TClipboard& Clipboard() {
    static TClipboard clipboard;
    return clipboard;
}

void ShellOpen(std::string_view fileOrAddress,
               std::function<void(const std::string& opened)> onFailure) {
    const std::string target(fileOrAddress);
    const QString t = ToQString(target);
    const bool address = t.contains(QLatin1String("://")) ||
                         t.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
    const QString opened = address ? QUrl::fromUserInput(t).toString()
                                   : QDir::toNativeSeparators(QDir::current().absoluteFilePath(t));
    // Told from the message loop, as the opener's end is: the handler that asked is done by then.
    auto failed = [onFailure, shown = FromQString(address ? t : opened)] {
        if (onFailure)
            QTimer::singleShot(0, qApp, [onFailure, shown] { Dispatch(onFailure, shown); });
    };
    if (const auto& hook = Application().GetShellHook()) {
        if (!hook(target))
            failed();
        return;
    }
    // The opener's exit status says whether a program took the file; what it writes goes where
    // the program's own output goes.
    auto* opener = new QProcess(qApp);
    opener->setProgram(ToQString(Application().ShellOpener()));
    opener->setArguments({opened});
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    opener->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, failed](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0)
                             failed();
                         opener->deleteLater();
                     });
    QObject::connect(opener, &QProcess::errorOccurred, opener,
                     [opener, failed](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         failed();
                         opener->deleteLater();
                     });
    opener->start();
}

}  // namespace veloria::widgets
