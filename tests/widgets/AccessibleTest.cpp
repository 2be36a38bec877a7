// What a screen reader finds through Qt's accessibility API: roles, names, descriptions, states,
// actions, the events that keep it up to date, and what is left out.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>

#include "tests/widgets/Fixtures.h"
#include "widgets/Accessible.h"
#include "widgets/Gauge.h"
#include "widgets/Picture.h"
#include "widgets/ScrollBar.h"

namespace veloria::widgets::test {
namespace {

using Events = std::vector<std::string>;

QAccessibleInterface* A(QObject* object) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(iface, nullptr);
    return iface;
}

std::string Text(QObject* object, QAccessible::Text which) {
    return A(object)->text(which).toStdString();
}
std::string Name(QObject* object) {
    return Text(object, QAccessible::Name);
}
std::string Description(QObject* object) {
    return Text(object, QAccessible::Description);
}

std::vector<QObject*> Children(QObject* object) {
    std::vector<QObject*> out;
    QAccessibleInterface* iface = A(object);
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        EXPECT_EQ(iface->indexOfChild(child), i);
        EXPECT_EQ(child->parent(), iface);
        out.push_back(child->object());
    }
    return out;
}

bool Listed(QObject* parent, QObject* child) {
    const auto children = Children(parent);
    return std::find(children.begin(), children.end(), child) != children.end();
}

// The events the layer sends to the platform's bridge, recorded.
class EventRecorder {
  public:
    struct Event {
        QAccessible::Event type;
        QObject* object;
        QString removed;
        QString inserted;
        QVariant value;
    };

    EventRecorder() {
        accessibility::SetEventHook([this](QAccessibleEvent& event) { Record(event); });
    }
    ~EventRecorder() { accessibility::SetEventHook({}); }
    EventRecorder(const EventRecorder&) = delete;
    EventRecorder& operator=(const EventRecorder&) = delete;

    std::vector<Event> Of(QObject* object, QAccessible::Event type) const {
        std::vector<Event> out;
        for (const Event& e : events_) {
            if (e.object == object && e.type == type)
                out.push_back(e);
        }
        return out;
    }
    void Clear() { events_.clear(); }

  private:
    void Record(QAccessibleEvent& event) {
        Event e{event.type(), event.object(), {}, {}, {}};
        if (event.type() == QAccessible::TextUpdated) {
            auto& text = static_cast<QAccessibleTextUpdateEvent&>(event);
            e.removed = text.textRemoved();
            e.inserted = text.textInserted();
        }
        if (event.type() == QAccessible::ValueChanged)
            e.value = static_cast<QAccessibleValueChangeEvent&>(event).value();
        events_.push_back(e);
    }

    std::vector<Event> events_;
};

class AccessibleTest : public WidgetTest {
  protected:
    void SetUp() override {
        form = std::make_unique<LoggedForm>("  Proyecto Veloria     ", log);
        form->SetClientSize(400, 240);
        memo = form->Add<TMemo>("Memo1", 10, 120, 200, 100, 0);
        search = form->Add<TdxButton>("Boton1", 220, 10, 79, 24, 1);
        search->SetCaption("&Search");
        search->SetHint("Search in Veloria");
        search->OnClick = [this] { log("search.click"); };
        help = form->Add<TdxButton>("dxButton5", 220, 40, 79, 24, 2);
        help->SetCaption(" &Help      ");
        help->SetHint("Help");
        first = form->Add<TdxButton>("dxButton7", 220, 70, 30, 22, 3);
        first->SetCaption("I<-");
        first->SetHint("First");
        counter = form->Add<TLabel>("Label7", 10, 10, 0, 0, -1);
        counter->SetCaption("1 / 57 References");
    }

    std::unique_ptr<LoggedForm> form;
    TMemo* memo = nullptr;
    TdxButton* search = nullptr;
    TdxButton* help = nullptr;
    TdxButton* first = nullptr;
    TLabel* counter = nullptr;
};

TEST_F(AccessibleTest, LabelsReadTheTextShownWithoutTheMarker) {
    auto* marked = form->Add<TLabel>("marked", 10, 40, 0, 0, -1);
    marked->SetCaption("  &Word && Phrase ");
    auto* address = form->Add<TStaticText>("address", 10, 70, 0, 0, -1);
    address->SetShowAccelChar(false);
    address->SetCaption("www.a&b.example.org");

    EXPECT_EQ(A(counter)->role(), QAccessible::StaticText);
    EXPECT_EQ(Name(counter), "1 / 57 References");
    EXPECT_EQ(Name(marked), "Word & Phrase");
    EXPECT_EQ(Name(address), "www.a&b.example.org");
    QAccessibleTextInterface* text = A(marked)->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 13);
    EXPECT_EQ(text->text(0, -1).toStdString(), "Word & Phrase");
    EXPECT_EQ(text->text(7, 13).toStdString(), "Phrase");
    // A label without a click is no link and has nothing to press.
    EXPECT_FALSE(A(counter)->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
}

TEST_F(AccessibleTest, AChangedLabelSendsTheTextChangeAndTheNewName) {
    auto* hidden = form->Add<TLabel>("Label8", 10, 40, 0, 0, -1);
    hidden->SetCaption("1");
    hidden->SetVisible(false);
    form->Show();
    EventRecorder events;

    counter->SetCaption("2 / 57 References");
    const auto changes = events.Of(counter, QAccessible::TextUpdated);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].removed.toStdString(), "1 / 57 References");
    EXPECT_EQ(changes[0].inserted.toStdString(), "2 / 57 References");
    EXPECT_EQ(events.Of(counter, QAccessible::NameChanged).size(), 1u);
    EXPECT_EQ(Name(counter), "2 / 57 References");

    // Nothing new to say: the same text, a change of blanks alone, a hidden label's state.
    events.Clear();
    counter->SetCaption("2 / 57 References");
    counter->SetCaption(" 2 / 57 References ");
    hidden->SetCaption("0");
    EXPECT_TRUE(events.Of(counter, QAccessible::TextUpdated).empty());
    EXPECT_TRUE(events.Of(hidden, QAccessible::TextUpdated).empty());
    EXPECT_TRUE(events.Of(hidden, QAccessible::NameChanged).empty());
}

TEST_F(AccessibleTest, FlatButtonsArePushButtonsNamedByTheirCaption) {
    QAccessibleInterface* button = A(search);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(Name(search), "Search");
    EXPECT_EQ(Description(search), "Search in Veloria");
    EXPECT_EQ(Text(search, QAccessible::Accelerator), "Alt+S");
    QAccessibleActionInterface* actions = button->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    EXPECT_EQ(actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
              QStringList{"Alt+S"});
    // Blanks around the caption are layout, not name; a hint equal to the name is not repeated.
    EXPECT_EQ(Name(help), "Help");
    EXPECT_EQ(Description(help), "");
    // Arrows drawn with characters are named by what they do.
    EXPECT_EQ(Name(first), "First");
    EXPECT_EQ(Description(first), "");
    EXPECT_TRUE(actions->keyBindingsForAction(QAccessibleActionInterface::toggleAction()).empty());
    EXPECT_TRUE(A(first)
                    ->actionInterface()
                    ->keyBindingsForAction(QAccessibleActionInterface::pressAction())
                    .empty());
}

TEST_F(AccessibleTest, ButtonStatesFollowTheButton) {
    form->Show();
    QAccessibleInterface* button = A(search);
    EXPECT_FALSE(button->state().disabled);
    EXPECT_TRUE(button->state().focusable);
    EXPECT_FALSE(button->state().focused);
    search->SetFocus();
    EXPECT_TRUE(button->state().focused);
    testing::MousePress(*search);
    EXPECT_TRUE(button->state().pressed);
    testing::MouseRelease(*search);
    EXPECT_FALSE(button->state().pressed);
    search->SetEnabled(false);
    EXPECT_TRUE(button->state().disabled);
    // A disabled button offers nothing to press.
    EXPECT_FALSE(button->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
}

TEST_F(AccessibleTest, ThePressActionClicksOnceAndLeavesTheFocus) {
    auto* standard = form->Add<TButton>("standard", 300, 10, 75, 25, 4);
    standard->SetCaption("&Prase");
    standard->OnClick = [this] { log("standard.click"); };
    form->Show();
    memo->SetFocus();
    log.Clear();
    const QString press = QAccessibleActionInterface::pressAction();
    A(search)->actionInterface()->doAction(press);
    // After the reader's request is answered: the click may open a modal window.
    EXPECT_EQ(log.events, Events{});
    testing::ProcessEvents();
    EXPECT_EQ(log.events, Events{"search.click"});
    EXPECT_TRUE(memo->Focused());
    A(standard)->actionInterface()->doAction(press);
    testing::ProcessEvents();
    EXPECT_EQ(log.events, (Events{"search.click", "standard.click"}));
    EXPECT_EQ(Name(standard), "Prase");
    EXPECT_EQ(A(standard)->role(), QAccessible::Button);

    // Disabled or hidden by the time the press comes: nothing.
    log.Clear();
    A(search)->actionInterface()->doAction(press);
    search->SetEnabled(false);
    A(standard)->actionInterface()->doAction(press);
    standard->SetVisible(false);
    testing::ProcessEvents();
    EXPECT_EQ(log.events, Events{});
}

TEST_F(AccessibleTest, WhatOnlyTheProgramUsesIsLeftOut) {
    auto* activar = form->Add<TButton>("Button1", 300, 10, 57, 22, 5);
    activar->SetVisible(false);
    auto* below = form->Add<TButton>("Button3", 300, 260, 75, 25, 6);
    below->SetCaption("&Prase");
    auto* state = form->Add<TLabel>("Label8", 10, 40, 0, 0, -1);
    state->SetCaption("1");
    state->SetVisible(false);
    auto* background = form->Add<TImage>("Image1", 0, 0, 400, 240, -1);
    background->SetPicture(TPicture(QImage(4, 4, QImage::Format_RGB32)));
    auto* bevel = form->Add<TBevel>("Bevel1", 5, 5, 100, 50, -1);
    auto* caption = form->Add<TLabel>("Label1", 10, 60, 0, 0, -1);
    caption->SetCaption("Word / Phrase");
    // Under the P, one pixel lower than the caption's foot: a mark, not text.
    auto* underline = form->Add<TLabel>("Label2", 58, 63, 0, 0, -1);
    underline->SetCaption("_");
    form->Show();

    for (QObject* gone :
         std::initializer_list<QObject*>{activar, below, state, background, bevel, underline}) {
        EXPECT_FALSE(Listed(form.get(), gone)) << gone->objectName().toStdString() << " listed";
    }
    for (QObject* there :
         std::initializer_list<QObject*>{memo, search, help, first, counter, caption}) {
        EXPECT_TRUE(Listed(form.get(), there)) << there->objectName().toStdString();
    }
    // Shown again, a control is listed again.
    activar->SetVisible(true);
    EXPECT_TRUE(Listed(form.get(), activar));
}

TEST_F(AccessibleTest, APictureSpeaksOnlyWhatItMeans) {
    QImage book(16, 16, QImage::Format_RGB32);
    book.fill(Qt::white);
    auto* bible = form->Add<TdxButton>("B_Biblia", 300, 40, 79, 24, 4);
    bible->SetCaption("Bib&le");
    bible->SetHint("Veloria to Bible");
    auto* logo = form->Add<TImage>("Image2", 300, 100, 40, 40, -1);
    logo->SetPicture(TPicture(book));
    form->Show();
    EXPECT_FALSE(Listed(form.get(), logo));
    EXPECT_EQ(Description(bible), "Veloria to Bible");

    EventRecorder events;
    TPicture open(book);
    open.SetDescription("The sentence cites the Bible");
    bible->SetGlyph(open);
    EXPECT_EQ(Description(bible), "Veloria to Bible. The sentence cites the Bible");
    EXPECT_EQ(events.Of(bible, QAccessible::DescriptionChanged).size(), 1u);
    bible->SetGlyph(open);
    EXPECT_EQ(events.Of(bible, QAccessible::DescriptionChanged).size(), 1u);
    TPicture closed(book);
    closed.SetDescription("The sentence cites no Bible passage");
    bible->SetGlyph(closed);
    EXPECT_EQ(Description(bible), "Veloria to Bible. The sentence cites no Bible passage");
    EXPECT_EQ(events.Of(bible, QAccessible::DescriptionChanged).size(), 2u);

    // A described picture is a graphic named by its meaning.
    TPicture described(book);
    described.SetDescription("Open book");
    logo->SetPicture(described);
    EXPECT_TRUE(Listed(form.get(), logo));
    EXPECT_EQ(A(logo)->role(), QAccessible::Graphic);
    EXPECT_EQ(Name(logo), "Open book");
}

TEST_F(AccessibleTest, TheGaugeIsAProgressBarWithItsValue) {
    auto* gauge = form->Add<TGauge>("Gauge1", 10, 40, 200, 25, -1);
    gauge->SetShowText(false);
    gauge->SetAccessibleName("Search progress");
    form->Show();
    QAccessibleInterface* bar = A(gauge);
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
    EXPECT_EQ(Name(gauge), "Search progress");
    QAccessibleValueInterface* value = bar->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 100);

    EventRecorder events;
    gauge->SetProgress(42);
    EXPECT_EQ(value->currentValue().toInt(), 42);
    EXPECT_EQ(Text(gauge, QAccessible::Value), "42%");
    ASSERT_EQ(events.Of(gauge, QAccessible::ValueChanged).size(), 1u);
    EXPECT_EQ(events.Of(gauge, QAccessible::ValueChanged)[0].value.toInt(), 42);
    // Only a change of the percentage shown is news.
    gauge->SetProgress(42);
    gauge->SetMaxValue(1000);  // 4 %
    gauge->SetProgress(1);     // 0 %
    gauge->SetProgress(5);
    const auto changes = events.Of(gauge, QAccessible::ValueChanged);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[2].value.toInt(), 1);
    EXPECT_EQ(Text(gauge, QAccessible::Value), "0%");
}

TEST_F(AccessibleTest, ControlsWithoutACaptionAreNamedByTheirLabel) {
    const EventRecorder reader;
    auto* wordLabel = form->Add<TLabel>("Label1", 10, 40, 0, 0, -1);
    wordLabel->SetCaption("Word / Phrase");
    auto* word = form->Add<TEdit>("Edit1", 20, 40 + wordLabel->Height() + 6, 180, 24, 5);
    auto* searchLabel = form->Add<TLabel>("Label3", 10, 100, 0, 0, -1);
    searchLabel->SetCaption("Search :");
    auto* box = form->Add<TEdit>("edSearch", searchLabel->Left() + searchLabel->Width() + 2, 97,
                                 100, 24, 6);
    form->Show();
    EXPECT_EQ(Name(word), "Word / Phrase");
    EXPECT_EQ(Name(box), "Search :");
    // Below the word box, the memo has no label of its own: the hint, else the window names it.
    EXPECT_EQ(Name(memo), "Proyecto Veloria");
    memo->SetHint("The sentence");
    memo->SetAccessibleName("x");
    memo->SetAccessibleName("");
    EXPECT_EQ(Name(memo), "The sentence");
    // The name follows its label; a name the window gives wins.
    searchLabel->SetCaption("Find :");
    EXPECT_EQ(Name(box), "Find :");
    box->SetAccessibleName("Term");
    EXPECT_EQ(Name(box), "Term");
    // The label whose access key focuses a control names it before any neighbour.
    auto* keyLabel = form->Add<TLabel>("keyLabel", 250, 200, 0, 0, -1);
    keyLabel->SetCaption("&Words");
    keyLabel->SetFocusControl(word);
    EXPECT_EQ(Name(word), "Words");
    // Renamed while its window is hidden, a control is named anew when the window shows again.
    form->Hide();
    keyLabel->SetCaption("&Terms");
    form->Show();
    EXPECT_EQ(Name(word), "Terms");
}

TEST_F(AccessibleTest, NothingThatTakesTheFocusIsNameless) {
    const EventRecorder reader;
    auto* bar = form->Add<TScrollBar>("ScrollBar1", 190, 122, 18, 96, 7, sbVertical);
    auto* lone = form->Add<TEdit>("lone", 300, 200, 80, 24, 8);
    form->Show();
    // A scroll bar lying over a list is named by the list.
    memo->SetAccessibleName("Sentence");
    EXPECT_EQ(Name(bar), "Sentence");
    EXPECT_EQ(Name(lone), "Proyecto Veloria");
    for (TControl* c : form->Controls()) {
        if (c->Widget().focusPolicy() != Qt::NoFocus && accessibility::Exposed(c->Widget())) {
            EXPECT_NE(Name(&c->Widget()), "") << c->Name();
        }
    }
}

// Names are kept in step while a reader listens; one that starts later finds them up to date.
TEST_F(AccessibleTest, AReaderThatStartsLaterFindsTheNamesUpToDate) {
    auto* label = form->Add<TLabel>("Label3", 10, 100, 0, 0, -1);
    label->SetCaption("Search :");
    auto* box = form->Add<TEdit>("edSearch", label->Left() + label->Width() + 2, 97, 100, 24, 6);
    form->Show();
    A(box);  // Qt asks for the interfaces at the showing, reader or none
    label->SetCaption("Find :");
    const EventRecorder reader;
    EXPECT_EQ(Name(box), "Find :");
}

TEST_F(AccessibleTest, FormsAreDialogsOrWindowsNamedByTheirCaption) {
    QAccessibleInterface* window = A(form.get());
    EXPECT_EQ(window->role(), QAccessible::Dialog);
    EXPECT_EQ(Name(form.get()), "Proyecto Veloria");
    form->SetAccessibleName("Searching");
    EXPECT_EQ(Name(form.get()), "Searching");
    TForm bare("bare");
    bare.SetBorderStyle(bsNone);
    EXPECT_EQ(A(&bare)->role(), QAccessible::Window);
}

TEST_F(AccessibleTest, GroupBoxesGroupTheirControls) {
    auto* group = form->Add<TGroupBox>("GroupBox2", 10, 40, 180, 70, 9);
    group->SetCaption("Search Words in: ");
    auto* any = form->Add<TRadioButton>(group, "ChPalabraOr", 10, 20, 120, 17, 0);
    any->SetCaption("Any O&rder");
    auto* hidden = form->Add<TRadioButton>(group, "hidden", 10, 44, 120, 17, 1);
    hidden->SetVisible(false);
    form->Show();
    EXPECT_EQ(A(group)->role(), QAccessible::Grouping);
    EXPECT_EQ(Name(group), "Search Words in:");
    EXPECT_EQ(Children(group), std::vector<QObject*>{any});
    EXPECT_EQ(Name(any), "Any Order");
}

TEST_F(AccessibleTest, AClickableStaticTextIsALinkTheKeyboardReaches) {
    auto* address = form->Add<TStaticText>("StaticText1", 10, 40, 150, 20, -1);
    address->SetShowAccelChar(false);
    address->SetCaption("www.veloria.example.org");
    address->SetTabOrder(3);
    auto* plain = form->Add<TStaticText>("plain", 10, 70, 150, 20, -1);
    plain->SetCaption("no click");
    address->OnClick = [this] { log("address.click"); };
    form->Show();
    EXPECT_EQ(A(address)->role(), QAccessible::Link);
    EXPECT_EQ(A(plain)->role(), QAccessible::StaticText);
    help->SetFocus();
    log.Clear();
    // Tab order: help (2), first (3, made earlier), the address (3).
    testing::KeyClick(*form, Qt::Key_Tab);
    testing::KeyClick(*form, Qt::Key_Tab);
    ASSERT_TRUE(address->Focused());
    testing::KeyClick(*form, Qt::Key_Return);
    testing::KeyClick(*form, Qt::Key_Space);
    A(address)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    testing::ProcessEvents();
    EXPECT_EQ(log.events,
              (Events{"dxButton5.exit", "dxButton7.enter", "dxButton7.exit", "StaticText1.enter",
                      "address.click", "address.click", "address.click"}));
    // A static text that does nothing is passed by, and the mouse never focuses either.
    log.Clear();
    for (int i = 0; i < 6; ++i) {
        testing::KeyClick(*form, Qt::Key_Tab);
        EXPECT_FALSE(plain->Focused());
    }
    search->SetFocus();
    testing::Click(*address);
    EXPECT_TRUE(search->Focused());
}

}  // namespace
}  // namespace veloria::widgets::test
