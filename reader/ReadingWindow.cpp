#include "reader/ReadingWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <tuple>

#include "app/uGlobal.h"
#include "bible/PaBiblia.h"
#include "search/Finder.h"
#include "search/Query.h"
#include "search/VolumeCache.h"
#include "store/Text.h"
#include "widgets/Application.h"
#include "widgets/HintWindow.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/StoredPicture.h"
#include "widgets/WindowParts.h"

namespace veloria::reader {

ReadingWindow* Reader = nullptr;

using namespace widgets;
using store::Trim;

namespace {

constexpr WORD VK_F3 = VK_F1 + 2;
// Jumps remembered for Back.
constexpr std::size_t kHistory = 100;
constexpr int kClientWidth = 880;
constexpr int kClientHeight = 620;
constexpr int kContentsWidth = 232;
constexpr int kTopRow = 40;  // the text and the contents begin below the top row
constexpr int kBottom = 76;  // the navigation row and the status line

// What the find matches: the find box's words as the search normalises them, in their order,
// the last one possibly cut short ("#LOVE#I" for "love i"). Empty for a text without words.
std::string FindPattern(std::string_view typed) {
    const search::Query query = search::BuildQuery(typed, false);
    if (query.wordCount == 0)
        return {};
    std::string pattern;
    for (char c : query.phrasePattern) {
        if (c == '#' && !pattern.empty() && pattern.back() == '#')
            continue;
        pattern += c;
    }
    while (pattern.size() > 1 && pattern.back() == '#')
        pattern.pop_back();
    return pattern;
}

std::int64_t NumberOf(std::string_view text) {
    std::int64_t n = 0;
    text = std::string_view(text).substr(0, text.find_last_not_of(' ') + 1);
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

}  // namespace

ReadingWindow::ReadingWindow() : TForm("Reader") {
    SetCaption("Reading");
    SetBorderStyle(bsSizeable);
    SetBorderIcons({biSystemMenu, biMinimize, biMaximize});
    SetClientSize(kClientWidth, kClientHeight);
    setMinimumSize(560, 360);
    SetPosition(poDesigned);
    SetShowHint(true);
    SetFont({"Arial", 13});
    SetBesideModalWindows(true);
    OnActivate = [this] { HintWindow().SetArrowBackgroundColor(Look().fixedCells); };

    for (std::size_t i = 0; i < texts_.size(); ++i)
        texts_[i] = std::make_unique<store::VolumeText>(volumes_.All()[i]);
    std::array<store::VolumeText*, store::kVolumeCount> texts{};
    for (std::size_t i = 0; i < texts_.size(); ++i)
        texts[i] = texts_[i].get();

    auto button = [this](TdxButton*& b, const char* name, const char* caption, const char* hint,
                         int width, int tabOrder, std::function<void()> click) {
        b = MakeFlatButton(this, {name, 0, 0, width, 25, tabOrder}, {caption, hint},
                           std::move(click));
    };
    auto label = [this](TLabel*& l, const char* name, const char* caption) {
        l = Make<TLabel>(this, name, 0, 0, 0, 0);
        l->SetTransparent(true);
        l->SetCaption(caption);
    };

    Text = Make<ReadingView>(this, "Text", 0, 0, 10, 10, 0);
    Text->SetFont({"Times New Roman", 18});
    Text->OnCaretMoved = [this] { CaretMoved(); };
    Text->OnBibleMark = [this](int row) {
        Text->GoToRow(row);
        OpenPassages();
    };
    Contents = new ContentsTree(this, texts);
    Contents->SetName("Contents");
    Contents->SetTabOrder(1);
    Contents->SetTabStop(true);
    Contents->SetAccessibleName("Contents");
    Contents->setAccessibleName(QStringLiteral("Contents"));
    Contents->OnChoose = [this](int volume, int row) {
        JumpTo({volume, row});
        Say("");
        Text->SetFocus();
    };

    label(GoToLabel, "GoToLabel", "&Go to:");
    GoToBox = Make<TEdit>(this, "GoToBox", 0, 0, 140, 23, 2);
    GoToLabel->SetFocusControl(GoToBox);
    GoToBox->SetHint("A reference as printed (T-4.4.2:10), or its beginning (T-4.4)");
    button(GoButton, "GoButton", "Go", "Go to the reference (Enter)", 36, 3,
           [this] { GoToReference(); });
    label(FindLabel, "FindLabel", "&Find:");
    FindBox = Make<TEdit>(this, "FindBox", 0, 0, 160, 23, 4);
    FindLabel->SetFocusControl(FindBox);
    FindBox->SetHint("Words to find in the volume (Ctrl+F)");
    button(FindPriorButton, "FindPriorButton", "<-", "Previous match (Shift+F3)", 30, 5,
           [this] { FindMatch(false); });
    button(FindNextButton, "FindNextButton", "->", "Next match (F3)", 30, 6,
           [this] { FindMatch(true); });
    button(ContentsButton, "ContentsButton", "Co&ntents", "Show or hide the contents", 84, 7,
           [this] { ToggleContents(); });
    button(BackButton, "BackButton", "<-", "Back (Alt+Left)", 30, 8, [this] { Back(); });
    button(ForwardButton, "ForwardButton", "->", "Forward (Alt+Right)", 30, 9,
           [this] { Forward(); });

    using Unit = ReadingView::Unit;
    button(StartButton, "StartButton", "I<-", "Start of the volume (Ctrl+Home)", 30, 10,
           [this] { GoToStart(); });
    button(PriorSectionButton, "PriorSectionButton", "<-", "Previous section (Ctrl+Page Up)", 30,
           11, [this] { Step(Unit::Section, false); });
    label(SectionLabel, "SectionLabel", "Section");
    button(NextSectionButton, "NextSectionButton", "->", "Next section (Ctrl+Page Down)", 30, 12,
           [this] { Step(Unit::Section, true); });
    button(PriorParagraphButton, "PriorParagraphButton", "<-", "Previous paragraph (Ctrl+Up)", 30,
           13, [this] { Step(Unit::Paragraph, false); });
    label(ParagraphLabel, "ParagraphLabel", "Paragraph");
    button(NextParagraphButton, "NextParagraphButton", "->", "Next paragraph (Ctrl+Down)", 30, 14,
           [this] { Step(Unit::Paragraph, true); });
    button(PriorSentenceButton, "PriorSentenceButton", "<-", "Previous sentence (Alt+Up)", 30, 15,
           [this] { Step(Unit::Sentence, false); });
    label(SentenceLabel, "SentenceLabel", "Sentence");
    button(NextSentenceButton, "NextSentenceButton", "->", "Next sentence (Alt+Down)", 30, 16,
           [this] { Step(Unit::Sentence, true); });
    button(EndButton, "EndButton", "->I", "End of the volume (Ctrl+End)", 30, 17,
           [this] { GoToEnd(); });
    button(BookmarkButton, "BookmarkButton", "Book&mark", "Bookmark the sentence, or edit its note",
           76, 21, [this] {
               if (const auto place = CurrentSentence(); place && OnBookmark)
                   OnBookmark(*place);
           });
    button(ExportButton, "ExportButton", "E&xport", "Copy, save or print the section", 76, 22,
           [this] {
               if (const auto section = CurrentSection(); !section.empty() && OnExport)
                   OnExport(section);
           });
    button(BibleButton, "BibleButton", "&Bible", "The Bible passages the sentence cites", 76, 18,
           [this] { OpenPassages(); });
    BibleButton->SetGlyph(StoredPicture("bible.png"));
    button(CopyButton, "CopyButton", "&Copy",
           "Copy the sentence with its reference, or the selection", 76, 19, [this] { Copy(); });
    CopyButton->SetGlyph(StoredPicture("copy.png"));
    CloseButton = MakeCloseButton(this, {"CloseButton", 0, 0, 76, 25, 20}, [this] { Close(); });

    label(Status, "Status", "");
    label(Message, "Message", "");
    Message->SetAlignment(taRightJustify);

    // The window's keys work from every control; the two boxes take Enter for themselves.
    for (TControl* c : Controls()) {
        if (!c->OnKeyDown)
            c->OnKeyDown = [this](WORD& key, TShiftState shift) { WindowKey(key, shift); };
    }
    GoToBox->OnKeyDown = [this](WORD& key, TShiftState shift) {
        if (key == VK_RETURN && shift.Empty()) {
            key = 0;
            GoToReference();
            return;
        }
        WindowKey(key, shift);
    };
    FindBox->OnKeyDown = [this](WORD& key, TShiftState shift) {
        if (key == VK_RETURN && !shift.Contains(ssAlt) && !shift.Contains(ssCtrl)) {
            key = 0;
            FindMatch(!shift.Contains(ssShift));
            return;
        }
        WindowKey(key, shift);
    };
    LayOut();
}

ReadingWindow::~ReadingWindow() = default;

// ---- the layout ----

void ReadingWindow::LayOut() {
    const int w = kClientWidth, h = kClientHeight;
    const TAnchors topLeft{akLeft, akTop};
    auto place = [](TControl* c, int left, int top, TAnchors anchors) {
        c->SetBounds(left, top, c->Width(), c->Height());
        c->SetAnchors(anchors);
    };
    // The layout is made for the window's first size; anchors carry it to any other.
    const QSize now = size();
    SetClientSize(w, h);

    int x = 8;
    for (TControl* c :
         std::initializer_list<TControl*>{ContentsButton, BackButton, ForwardButton}) {
        place(c, x, 8, topLeft);
        x += c->Width() + (c == ContentsButton ? 8 : 2);
    }
    x += 12;
    place(GoToLabel, x, 13, topLeft);
    x += GoToLabel->Width() + 4;
    place(GoToBox, x, 9, topLeft);
    x += GoToBox->Width() + 4;
    place(GoButton, x, 8, topLeft);
    x += GoButton->Width() + 16;
    place(FindLabel, x, 13, topLeft);
    x += FindLabel->Width() + 4;
    place(FindBox, x, 9, topLeft);
    x += FindBox->Width() + 4;
    place(FindPriorButton, x, 8, topLeft);
    place(FindNextButton, x + 32, 8, topLeft);
    // The sentence's and the section's own commands, at the top right.
    place(BookmarkButton, w - 2 * 82 - 8 + 6, 8, {akRight, akTop});
    place(ExportButton, w - 82 - 8 + 6, 8, {akRight, akTop});

    const int textLeft = contentsShown_ ? 8 + kContentsWidth + 8 : 8;
    Contents->SetVisible(contentsShown_);
    Contents->SetBounds(8, kTopRow, kContentsWidth, h - kTopRow - kBottom);
    Contents->SetAnchors({akLeft, akTop, akBottom});
    Text->SetBounds(textLeft, kTopRow, w - textLeft - 8, h - kTopRow - kBottom);
    Text->SetAnchors({akLeft, akTop, akRight, akBottom});

    const int row = h - kBottom + 8;
    const TAnchors bottomLeft{akLeft, akBottom};
    x = 8;
    place(StartButton, x, row, bottomLeft);
    x += 40;
    for (auto [prior, name, next] :
         {std::tuple{PriorSectionButton, SectionLabel, NextSectionButton},
          std::tuple{PriorParagraphButton, ParagraphLabel, NextParagraphButton},
          std::tuple{PriorSentenceButton, SentenceLabel, NextSentenceButton}}) {
        place(prior, x, row, bottomLeft);
        x += prior->Width() + 4;
        place(name, x, row + 5, bottomLeft);
        x += name->Width() + 4;
        place(next, x, row, bottomLeft);
        x += next->Width() + 14;
    }
    place(EndButton, x, row, bottomLeft);
    const TAnchors bottomRight{akRight, akBottom};
    place(BibleButton, w - 3 * 82 - 8 + 6, row, bottomRight);
    place(CopyButton, w - 2 * 82 - 8 + 6, row, bottomRight);
    place(CloseButton, w - 82 - 8 + 6, row, bottomRight);
    place(Status, 8, h - 28, bottomLeft);
    Message->SetBounds(w - 9, h - 28, 1, 17);
    Message->SetAnchors(bottomRight);
    resize(now);
}

void ReadingWindow::PlaceOnFirstShowing() {
    // Beside the main window where the screen has room, otherwise at the screen's right edge;
    // never larger than the screen.
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const int frame = 40;
    const QSize wanted = size();
    resize(std::min(wanted.width(), area.width() - 16),
           std::min(wanted.height(), area.height() - frame));
    int left = area.right() - width() - 8;
    int top = area.top() + 8;
    if (TForm* main = Application().MainForm(); main && main->Visible()) {
        const QRect m = main->frameGeometry();
        if (m.right() + 8 + width() <= area.right())
            left = m.right() + 8;
        top =
            std::clamp(m.top(), area.top(), std::max(area.top(), area.bottom() - height() - frame));
    }
    SetLeftTop(std::max(area.left(), left), top);
}

// ---- opening and following ----

int ReadingWindow::VolumeOf(char code) const {
    const auto volumes = store::Volumes();
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        if (volumes[i].code == code)
            return int(i);
    }
    return -1;
}

store::VolumeText& ReadingWindow::Current() {
    return *texts_[std::size_t(volume_)];
}

ReadingWindow::Spot ReadingWindow::Here() const {
    return {volume_, volume_ >= 0 ? Text->CurrentRow() : 0};
}

void ReadingWindow::ShowVolume(int volume) {
    if (volume == volume_)
        return;
    volume_ = volume;
    const std::string label(Current().Info().label);
    SetCaption("Reading - " + label);
    Text->SetAccessibleName(label);
    Text->SetVolume(&Current());
    if (hit_.volume == volume_)
        Text->SetHit(hit_.row, hitPatterns_);
}

void ReadingWindow::JumpTo(Spot spot, bool record) {
    if (spot.volume < 0 || spot.row < 1)
        return;
    if (record && volume_ >= 0 && !(spot == Here())) {
        back_.push_back(Here());
        if (back_.size() > kHistory)
            back_.erase(back_.begin());
        forward_.clear();
    }
    ShowVolume(spot.volume);
    Text->GoToRow(spot.row);
}

void ReadingWindow::MoveToRequest(const Request& request) {
    const int volume = VolumeOf(request.code);
    const int row = volume >= 0 ? texts_[std::size_t(volume)]->RowOf(request.numero) : 0;
    if (row == 0) {
        Say("The sentence " + std::string(1, request.code) + request.numero +
            " is not in the work.");
        return;
    }
    Say("");
    hit_ = {volume, row};
    hitPatterns_ = request.patterns;
    JumpTo(hit_);
    Text->SetHit(row, hitPatterns_);
}

void ReadingWindow::Present() {
    if (volume_ < 0)
        JumpTo({VolumeOf('T'), 1}, false);
    if (!Visible()) {
        if (!shownBefore_) {
            PlaceOnFirstShowing();
            PrepareReferences(0);
        } else {
            SetLeftTop(x(), y());
        }
        shownBefore_ = true;
    }
    Show();
    Text->SetFocus();
}

// The lists the reference box looks in are made while the user reads, one volume at a time, so
// that no jump waits for them.
void ReadingWindow::PrepareReferences(std::size_t volume) {
    if (volume >= texts_.size())
        return;
    QTimer::singleShot(0, this, [this, volume] {
        Dispatch([&] { texts_[volume]->PrepareReferences(); });
        PrepareReferences(volume + 1);
    });
}

void ReadingWindow::ReadFrom(TForm& list, char code, std::string_view numero,
                             std::vector<std::string> patterns) {
    followed_ = &list;
    if (code != 0) {
        const Request request{code, std::string(numero), std::move(patterns)};
        // The same sentence again: the place where the reader was left.
        if (!lastRequest_ || !(*lastRequest_ == request) || volume_ < 0) {
            lastRequest_ = request;
            MoveToRequest(request);
        }
    }
    Present();
}

void ReadingWindow::Follow(TForm& list, char code, std::string_view numero,
                           std::vector<std::string> patterns) {
    if (!Visible() || code == 0)
        return;
    const Request request{code, std::string(numero), std::move(patterns)};
    if (followed_ != &list) {
        if (followed_ && followed_->Visible())
            return;
        if (&list != Application().MainForm())
            return;
        // Back from a Bible window: the main window's hit as it stands is no move of the user.
        followed_ = &list;
        lastRequest_ = request;
        return;
    }
    if (lastRequest_ && *lastRequest_ == request)
        return;
    lastRequest_ = request;
    MoveToRequest(request);
}

bool ReadingWindow::OpenAt(SentencePlace place, std::vector<std::string> patterns) {
    const Request request{place.code, std::to_string(place.numero), std::move(patterns)};
    const int volume = VolumeOf(place.code);
    const bool found = volume >= 0 && texts_[std::size_t(volume)]->RowOf(request.numero) > 0;
    MoveToRequest(request);
    Present();
    return found;
}

std::optional<SentencePlace> ReadingWindow::CurrentSentence() const {
    if (volume_ < 0)
        return std::nullopt;
    const int row = Text->CurrentRow();
    if (row < 1)
        return std::nullopt;
    return SentencePlace{store::Volumes()[std::size_t(volume_)].code,
                         NumberOf(texts_[std::size_t(volume_)]->Numero(row))};
}

std::vector<SentencePlace> ReadingWindow::CurrentSection() const {
    std::vector<SentencePlace> section;
    const int row = volume_ >= 0 ? Text->CurrentRow() : 0;
    if (row < 1)
        return section;
    const store::VolumeText& text = *texts_[std::size_t(volume_)];
    const char code = text.Info().code;
    for (int r = text.SectionFirst(row); r <= text.Rows(); ++r) {
        if (r > row && text.StartsSection(r))
            break;
        section.push_back({code, NumberOf(text.Numero(r))});
    }
    return section;
}

void ReadingWindow::SetSentenceMarks(MarksOf marks) {
    marks_ = std::move(marks);
    if (!marks_) {
        Text->SetSentenceMarks({});
        return;
    }
    Text->SetSentenceMarks([this](int row) {
        return marks_(SentencePlace{Current().Info().code, NumberOf(Current().Numero(row))});
    });
}

void ReadingWindow::RefreshMarks() {
    Text->RefreshMarks();
}

// ---- the commands ----

void ReadingWindow::Say(std::string_view message) {
    Message->SetCaption(message);
}

void ReadingWindow::Step(ReadingView::Unit unit, bool forward) {
    if (!Text->Step(unit, forward)) {
        static constexpr const char* kNames[] = {"sentence", "paragraph", "section"};
        Say(std::string(forward ? "No next " : "No previous ") + kNames[int(unit)] +
            " in this volume.");
    } else {
        Say("");
    }
    Text->SetFocus();
}

void ReadingWindow::GoToStart() {
    const Spot before = Here();
    Text->GoToStart();
    if (!(before == Here()) && before.volume >= 0) {
        back_.push_back(before);
        forward_.clear();
    }
    Text->SetFocus();
}

void ReadingWindow::GoToEnd() {
    JumpTo({volume_, Current().Rows()});
    Text->GoToEnd();
    Text->SetFocus();
}

void ReadingWindow::Back() {
    if (back_.empty()) {
        Say("Nothing to go back to.");
        return;
    }
    forward_.push_back(Here());
    const Spot spot = back_.back();
    back_.pop_back();
    Say("");
    JumpTo(spot, false);
}

void ReadingWindow::Forward() {
    if (forward_.empty()) {
        Say("Nothing to go forward to.");
        return;
    }
    back_.push_back(Here());
    const Spot spot = forward_.back();
    forward_.pop_back();
    Say("");
    JumpTo(spot, false);
}

void ReadingWindow::GoToReference() {
    const std::string typed = Trim(GoToBox->Text());
    if (typed.empty()) {
        Say("Type a reference, such as T-4.4.2:10.");
        return;
    }
    // The volume read now first: a beginning that several volumes share finds this one's.
    std::vector<store::VolumeText*> order;
    store::VolumeText* current = volume_ >= 0 ? &Current() : nullptr;
    if (current)
        order.push_back(current);
    for (const auto& t : texts_) {
        if (t.get() != current)
            order.push_back(t.get());
    }
    const auto place = store::FindReference(order, typed);
    if (!place) {
        Say("There is no reference \"" + typed + "\" in the work.");
        return;
    }
    Say("");
    JumpTo({VolumeOf(place->code), place->row});
    Text->SetFocus();
}

void ReadingWindow::FindMatch(bool forward) {
    const std::string pattern = FindPattern(FindBox->Text());
    if (pattern.empty()) {
        Say("Type the words to find.");
        FindBox->SetFocus();
        return;
    }
    Text->SetFindPatterns({pattern});
    const search::RowTexts& forms =
        search::TextsOf(volumes_.All()[std::size_t(volume_)].book).forms;
    const search::Finder finder(pattern);
    const int rows = std::min(Current().Rows(), forms.RowCount());
    const int start = Text->CurrentRow();
    auto matches = [&](int row) {
        const std::string_view form = forms.At(row - 1);
        return finder.Find(form.data(), form.data() + form.size()) != nullptr;
    };
    int found = 0;
    bool wrapped = false;
    for (int i = 1; i <= rows && !found; ++i) {
        const int row = forward ? start + i : start - i;
        const int at = ((row - 1) % rows + rows) % rows + 1;
        if (matches(at)) {
            found = at;
            wrapped = forward ? at <= start : at >= start;
        }
    }
    if (!found) {
        Say("\"" + Trim(FindBox->Text()) + "\" is not in this volume.");
        return;
    }
    JumpTo({volume_, found});
    Say(!wrapped  ? ""
        : forward ? "Found from the start of the volume."
                  : "Found from the end of the volume.");
}

void ReadingWindow::Copy() {
    if (Text->HasSelection()) {
        Clipboard().SetAsText(Text->SelectedText());
    } else if (const int row = volume_ >= 0 ? Text->CurrentRow() : 0; row > 0) {
        Clipboard().SetAsText(
            store::SentenceWithReference(Current().Sentence(row), Current().Reference(row)));
    }
    Text->SetFocus();
}

void ReadingWindow::OpenPassages() {
    const int row = volume_ >= 0 ? Text->CurrentRow() : 0;
    if (row < 1 || !Current().CitesBible(row))
        return;
    uGlobal::BibleRefList = Trim(Current().Bible(row)) + "/";
    if (FBiblia)
        FBiblia->ShowModal();
    Text->SetFocus();
}

void ReadingWindow::ToggleContents() {
    contentsShown_ = !contentsShown_;
    const int textLeft = contentsShown_ ? 8 + kContentsWidth + 8 : 8;
    Contents->SetVisible(contentsShown_);
    Text->SetBounds(textLeft, Text->Top(), Text->Left() + Text->Width() - textLeft, Text->Height());
    if (contentsShown_) {
        if (volume_ >= 0)
            Contents->ShowPlace(volume_, Text->CurrentRow());
        Contents->SetFocus();
    } else {
        Text->SetFocus();
    }
}

void ReadingWindow::CaretMoved() {
    const int row = volume_ >= 0 ? Text->CurrentRow() : 0;
    if (row < 1) {
        Status->SetCaption("");
        BibleButton->SetEnabled(false);
        return;
    }
    store::VolumeText& volume = Current();
    std::string name(volume.Info().label);
    std::string section;
    if (const auto headings = volume.HeadingsOf(row)) {
        section = Trim(headings->section);
        if (volume.Info().code == 'M')
            name = Trim(headings->chapter) == "MANUAL FOR TEACHERS" ? "Manual for Teachers"
                                                                    : "Clarification Of Terms";
    }
    // " \xB7 ": a middle dot between the parts.
    std::string status = Trim(volume.Reference(row)) + " \xB7 " + name;
    if (!section.empty())
        status += " \xB7 " + section;
    if (volume.Info().pageShown && !Trim(volume.Page(row)).empty())
        status += " \xB7 page " + Trim(volume.Page(row));
    Status->SetCaption(status);
    BibleButton->SetEnabled(volume.CitesBible(row));
}

void ReadingWindow::WindowKey(WORD& key, TShiftState shift) {
    const bool alt = shift.Contains(ssAlt), ctrl = shift.Contains(ssCtrl),
               sh = shift.Contains(ssShift);
    using Unit = ReadingView::Unit;
    if (alt && !ctrl && !sh) {
        switch (key) {
            case VK_LEFT:
                Back();
                break;
            case VK_RIGHT:
                Forward();
                break;
            case VK_UP:
                Step(Unit::Sentence, false);
                break;
            case VK_DOWN:
                Step(Unit::Sentence, true);
                break;
            default:
                return;
        }
    } else if (ctrl && !alt && !sh) {
        switch (key) {
            case 'F':
                FindBox->SetFocus();
                FindBox->SelectAll();
                break;
            case 'G':
            case 'L':
                GoToBox->SetFocus();
                GoToBox->SelectAll();
                break;
            case VK_PRIOR:
                Step(Unit::Section, false);
                break;
            case VK_NEXT:
                Step(Unit::Section, true);
                break;
            case 'C':
            case VK_HOME:
            case VK_END:
            case VK_UP:
            case VK_DOWN:
                // In the text only: the boxes and the contents keep these keys.
                if (ActiveControl() != Text)
                    return;
                if (key == 'C')
                    Copy();
                else if (key == VK_HOME)
                    GoToStart();
                else if (key == VK_END)
                    GoToEnd();
                else
                    Step(Unit::Paragraph, key == VK_DOWN);
                break;
            default:
                return;
        }
    } else if (key == VK_F3 && !alt && !ctrl) {
        FindMatch(!sh);
    } else {
        return;
    }
    key = 0;
}

}  // namespace veloria::reader
