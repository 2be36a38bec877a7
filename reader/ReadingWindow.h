#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reader/ContentsTree.h"
#include "reader/ReadingView.h"
#include "store/VolumeTables.h"
#include "store/VolumeText.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"
#include "widgets/StdCtrls.h"

// The reading window: the work itself, a whole volume at a time as continuous text, with its
// contents, a box that goes to a reference, a find in the volume, and back and forward through
// the jumps. The main window opens it at the current hit ("&Read"), the verse-to-text window and
// the text-to-Bible list at their current row.
//
// How it sits with the windows of the work:
// - It is an ordinary window beside the main window, never modal, made once and kept: closing
//   hides it, and it opens again where it was left (the same sentence, the same scroll), unless
//   it is opened at another hit or row.
// - It is no child in the opener protocol. The main window neither disables its commands nor
//   switches its logo while the reader is open, and goes on working: moving through the hits
//   moves the reader to each hit (Follow). It follows the window whose "&Read" opened it last;
//   when that is a Bible window and it closes, the main window's next move is followed again.
// - A modal window blocks the reader as it blocks every window, except the two modal Bible
//   windows whose "&Read" brought it up: from inside their showing it is shown beside them
//   (TForm::SetBesideModalWindows), usable while they and the windows below them are open, and
//   they go on working too. A modal window opened after that (the passage viewer) blocks it
//   again, and the passage viewer the reader opens itself is modal over everything, so that no
//   window of the work is ever shown twice.
// - Opened from the main window or a Bible window it comes forward and takes the keyboard;
//   following a move does neither, so the user goes on where they were.
//
// Keys, besides the arrows, Home, End, Page Up and Page Down of the text: Alt+Down and Alt+Up the
// next and previous sentence, Ctrl+Down and Ctrl+Up the paragraph, Ctrl+Page Down and Ctrl+Page
// Up the section, Ctrl+Home and Ctrl+End the ends of the volume, Alt+Left and Alt+Right back and
// forward, Ctrl+L (or Ctrl+G) the reference box, Ctrl+F the find box, F3 and Shift+F3 the next and
// previous match, Ctrl+C Copy, Escape closes.
namespace veloria::reader {

// A sentence of the work: its book code and number.
struct SentencePlace {
    char code = 0;
    std::int64_t numero = 0;
    friend bool operator==(const SentencePlace&, const SentencePlace&) = default;
};

class ReadingWindow : public widgets::TForm {
  public:
    ReadingWindow();
    ~ReadingWindow() override;

    // ---- For the windows that open it ----

    // The "&Read" command of a window (the main window, a Bible window) at its current row: the
    // reader comes forward at the sentence of that book code and number, set apart with the
    // words the patterns match (the search's hit patterns, or none), and follows `list` from
    // then on. Opened again at the sentence it was last opened or moved at, it shows where it was
    // left. A code of 0 (no current row) shows it where it was, or at the start of the Text.
    void ReadFrom(widgets::TForm& list, char code, std::string_view numero,
                  std::vector<std::string> patterns = {});
    // A window's current row changed: the reader moves there if it is open and follows `list`
    // (recorded as a jump), without coming forward.
    void Follow(widgets::TForm& list, char code, std::string_view numero,
                std::vector<std::string> patterns = {});

    // ---- For what comes later (bookmarks, notes) ----

    // Comes forward at a sentence, with the words the patterns match marked; false, and a word
    // in the window, when the work has no such sentence.
    bool OpenAt(SentencePlace place, std::vector<std::string> patterns = {});
    // The sentence under the caret; none before the window was first opened.
    std::optional<SentencePlace> CurrentSentence() const;
    // The marks beside sentences (a bookmark, a note), asked as sentences are laid out;
    // RefreshMarks asks again for every sentence.
    using MarksOf = std::function<std::vector<SentenceMark>(SentencePlace)>;
    void SetSentenceMarks(MarksOf marks);
    void RefreshMarks();
    // "Book&mark": what the program does with the current sentence (its bookmark and note).
    std::function<void(SentencePlace)> OnBookmark;
    // The sentences of the section the caret is in, in their order; none before the window was
    // first opened. "E&xport" hands them to OnExport.
    std::vector<SentencePlace> CurrentSection() const;
    std::function<void(const std::vector<SentencePlace>&)> OnExport;

    // ---- The commands ----

    void Step(ReadingView::Unit unit, bool forward);
    void GoToStart();
    void GoToEnd();
    void Back();
    void Forward();
    // The reference in the reference box; a reference that leads nowhere is said, nothing moves.
    void GoToReference();
    // The next or previous sentence of the volume with the words of the find box, as the
    // search matches them (a phrase, the last word possibly cut short).
    void FindMatch(bool forward);
    // The selection alone, or the current sentence with its reference as every window copies
    // it.
    void Copy();
    // The Bible passages the current sentence cites, in the passage viewer.
    void OpenPassages();
    void ToggleContents();

    // ---- Controls ----
    widgets::TdxButton* ContentsButton;
    widgets::TdxButton* BackButton;
    widgets::TdxButton* ForwardButton;
    widgets::TLabel* GoToLabel;
    widgets::TEdit* GoToBox;
    widgets::TdxButton* GoButton;
    widgets::TLabel* FindLabel;
    widgets::TEdit* FindBox;
    widgets::TdxButton* FindPriorButton;
    widgets::TdxButton* FindNextButton;
    ContentsTree* Contents;
    ReadingView* Text;
    widgets::TdxButton* StartButton;
    widgets::TdxButton* PriorSectionButton;
    widgets::TLabel* SectionLabel;
    widgets::TdxButton* NextSectionButton;
    widgets::TdxButton* PriorParagraphButton;
    widgets::TLabel* ParagraphLabel;
    widgets::TdxButton* NextParagraphButton;
    widgets::TdxButton* PriorSentenceButton;
    widgets::TLabel* SentenceLabel;
    widgets::TdxButton* NextSentenceButton;
    widgets::TdxButton* EndButton;
    widgets::TdxButton* BookmarkButton;
    widgets::TdxButton* ExportButton;
    widgets::TdxButton* BibleButton;
    widgets::TdxButton* CopyButton;
    widgets::TdxButton* CloseButton;
    // The current sentence: its reference, volume, section and page.
    widgets::TLabel* Status;
    // What the last command has to say (a reference that leads nowhere, a find without a match).
    widgets::TLabel* Message;

  private:
    // A place in the work: a volume (its index among the five) and a sentence row.
    struct Spot {
        int volume = -1;
        int row = 0;
        friend bool operator==(const Spot&, const Spot&) = default;
    };
    // A sentence asked for by the window that opened or is followed, with the patterns of its
    // marks: a new search on the same hit is another request.
    struct Request {
        char code = 0;
        std::string numero;
        std::vector<std::string> patterns;
        friend bool operator==(const Request&, const Request&) = default;
    };

    int VolumeOf(char code) const;
    store::VolumeText& Current();
    Spot Here() const;
    // Shows the spot; recorded as a jump (for Back) when it is another place.
    void JumpTo(Spot spot, bool record = true);
    void ShowVolume(int volume);
    void MoveToRequest(const Request& request);
    void Present();
    void PrepareReferences(std::size_t volume);
    void PlaceOnFirstShowing();
    void CaretMoved();
    void Say(std::string_view message);
    void WindowKey(widgets::WORD& key, widgets::TShiftState shift);
    void LayOut();

    store::VolumeTables volumes_{store::VolumeTables::Headings::With};
    std::array<std::unique_ptr<store::VolumeText>, store::kVolumeCount> texts_;
    int volume_ = -1;
    bool shownBefore_ = false;
    bool contentsShown_ = true;
    std::vector<Spot> back_;
    std::vector<Spot> forward_;
    QPointer<widgets::TForm> followed_;
    std::optional<Request> lastRequest_;
    Spot hit_;
    std::vector<std::string> hitPatterns_;
    MarksOf marks_;
};

// The reading window, made with the others and kept to the end; nullptr before.
extern ReadingWindow* Reader;

}  // namespace veloria::reader
