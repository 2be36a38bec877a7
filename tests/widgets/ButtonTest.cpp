// Buttons, access keys, check boxes, radio buttons and the edit box's key handling.
#include <gtest/gtest.h>

#include <QApplication>

#include "tests/widgets/Fixtures.h"

namespace veloria::widgets::test {
namespace {

using Events = std::vector<std::string>;

class ButtonTest : public WidgetTest {
  protected:
    void SetUp() override {
        form = std::make_unique<LoggedForm>("form", log);
        edit = form->Add<TEdit>("edit", 10, 10, 150, 24, 0);
        flat = form->Add<TdxButton>("flat", 10, 50, 80, 24, 1);
        flat->SetCaption("&Paragraph");
        flat->OnClick = [this] { log("flat.click"); };
        // A standard button lying below the client area (220 high), as the search dialog's.
        below = form->Add<TButton>("below", 10, 260, 75, 25, 2);
        below->SetCaption("&Prase");
        below->OnClick = [this] {
            log("below.click");
            edit->SetFocus();
        };
        hidden = form->Add<TButton>("hidden", 100, 50, 60, 22, 3);
        hidden->SetCaption("&Hidden");
        hidden->SetVisible(false);
        hidden->OnClick = [this] { log("hidden.click"); };
    }

    std::unique_ptr<LoggedForm> form;
    TEdit* edit = nullptr;
    TdxButton* flat = nullptr;
    TButton* below = nullptr;
    TButton* hidden = nullptr;
};

TEST_F(ButtonTest, AFlatButtonTakesTheFocusOnAMousePress) {
    form->Show();
    log.Clear();
    testing::MousePress(*flat);
    EXPECT_EQ(log.events, (Events{"edit.exit", "flat.enter"}));
    EXPECT_TRUE(flat->Down());
    testing::MouseRelease(*flat);
    EXPECT_EQ(log.events, (Events{"edit.exit", "flat.enter", "flat.click"}));
    EXPECT_TRUE(flat->Focused());
}

TEST_F(ButtonTest, ReleasingTheMouseOutsideTheButtonDoesNotClick) {
    form->Show();
    log.Clear();
    testing::MousePress(*flat);
    testing::MouseMove(*flat, QPoint(flat->Width() + 20, 5));
    testing::MouseRelease(*flat, QPoint(flat->Width() + 20, 5));
    EXPECT_EQ(log.events, (Events{"edit.exit", "flat.enter"}));
}

TEST_F(ButtonTest, AnAccessKeyClicksAtOnceWithoutTakingTheFocus) {
    form->Show();
    log.Clear();
    testing::KeyPress(*form, Qt::Key_P, Qt::AltModifier);
    // Clicked during the key press itself, not 100 ms later.
    EXPECT_EQ(log.events, Events{"flat.click"});
    testing::KeyRelease(*form, Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(QApplication::focusWidget(), edit);
    // Shift does not matter; Ctrl+Alt is no access key.
    testing::KeyClick(*form, Qt::Key_P, Qt::AltModifier | Qt::ShiftModifier);
    testing::KeyClick(*form, Qt::Key_P, Qt::AltModifier | Qt::ControlModifier);
    testing::KeyClick(*form, Qt::Key_P);
    EXPECT_EQ(log.events, (Events{"flat.click", "flat.click"}));
}

TEST_F(ButtonTest, EnterAndSpaceClickTheFocusedButton) {
    form->Show();
    flat->SetFocus();
    log.Clear();
    testing::KeyClick(*form, Qt::Key_Return);
    testing::KeyClick(*form, Qt::Key_Enter);
    testing::KeyClick(*form, Qt::Key_Space);
    EXPECT_EQ(log.events, (Events{"flat.click", "flat.click", "flat.click"}));
    // A standard push button too, also outside a dialog.
    auto* standard = form->Add<TButton>("standard", 200, 50, 75, 25, 4);
    standard->OnClick = [this] { log("standard.click"); };
    standard->SetFocus();
    log.Clear();
    testing::KeyClick(*form, Qt::Key_Return);
    testing::KeyClick(*form, Qt::Key_Space);
    EXPECT_EQ(log.events, (Events{"standard.click", "standard.click"}));
}

TEST_F(ButtonTest, AButtonBelowTheClientAreaAnswersItsAccessKeyFromAnyControl) {
    auto* memo = form->Add<TMemo>("memo", 170, 10, 140, 60, 5);
    form->Show();
    ASSERT_GT(below->Top(), form->ClientHeight());
    memo->SetFocus();
    log.Clear();
    testing::KeyClick(*form, Qt::Key_Z, Qt::AltModifier);
    EXPECT_EQ(log.events, Events{});
    // "&Prase" and "&Paragraph" share P: the first made answers. Rename the flat button.
    flat->SetCaption("P&aragraph");
    testing::KeyClick(*form, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(log.events, (Events{"below.click", "memo.exit", "edit.enter"}));
}

TEST_F(ButtonTest, AHiddenButtonAnswersNothingButTheProgramCanClickIt) {
    form->Show();
    log.Clear();
    testing::KeyClick(*form, Qt::Key_H, Qt::AltModifier);
    EXPECT_EQ(log.events, Events{});
    hidden->Click();
    EXPECT_EQ(log.events, Events{"hidden.click"});
}

TEST_F(ButtonTest, ADisabledButtonIgnoresMouseAndKeys) {
    form->Show();
    flat->SetEnabled(false);
    log.Clear();
    testing::Click(*flat);
    testing::KeyClick(*form, Qt::Key_P, Qt::AltModifier);
    // The access key falls to the next control that has it.
    EXPECT_EQ(log.events, (Events{"below.click"}));
}

TEST_F(ButtonTest, EscapePressesTheCancelButton) {
    flat->SetCancel(true);
    form->Show();
    log.Clear();
    testing::KeyClick(*form, Qt::Key_Escape);
    EXPECT_EQ(log.events, Events{"flat.click"});
    flat->SetEnabled(false);
    testing::KeyClick(*form, Qt::Key_Escape);
    EXPECT_EQ(log.events, Events{"flat.click"});
}

TEST_F(ButtonTest, CheckBoxesAndRadioButtons) {
    auto* check = form->Add<TCheckBox>("check", 170, 10, 120, 20, 6);
    check->SetCaption("&Exact Word");
    auto* any = form->Add<TRadioButton>("any", 170, 40, 120, 20, 7);
    any->SetCaption("Any O&rder");
    auto* exact = form->Add<TRadioButton>("exact", 170, 70, 120, 20, 8);
    exact->SetCaption("Exact P&hrase");
    check->OnClick = [&] { log(check->Checked() ? "check.on" : "check.off"); };
    any->OnClick = [&] { log("any.click"); };
    exact->OnClick = [&] {
        log("exact.click");
        check->SetChecked(true);
        check->SetEnabled(false);
    };
    any->SetChecked(true);
    form->Show();
    log.Clear();
    // The access key of a check box focuses and toggles it.
    testing::KeyClick(*form, Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(log.events, (Events{"edit.exit", "check.enter", "check.on"}));
    log.Clear();
    testing::Click(*exact);
    EXPECT_TRUE(exact->Checked());
    EXPECT_FALSE(any->Checked());
    EXPECT_FALSE(check->Enabled());
    EXPECT_EQ(log.events, (Events{"check.exit", "exact.enter", "exact.click"}));
    log.Clear();
    testing::KeyClick(*form, Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(log.events, (Events{"exact.exit", "any.enter", "any.click"}));
    // Clicking the selected radio button again is no new selection.
    log.Clear();
    testing::Click(*any);
    EXPECT_EQ(log.events, Events{});
}

TEST_F(ButtonTest, TheWordBoxUpperCasesAsTyped) {
    edit->SetCharCase(ecUpperCase);
    std::string changes;
    edit->OnChange = [&] { changes = edit->Text(); };
    form->Show();
    testing::TypeText(*form, "a\xF1o \xE9t\xE9 \xFF\x9A");  // "año été ÿš"
    EXPECT_EQ(edit->Text(), "A\xD1O \xC9T\xC9 \x9F\x8A");
    EXPECT_EQ(changes, edit->Text());
    // So does what the program puts in.
    edit->SetText("abc");
    EXPECT_EQ(edit->Text(), "ABC");
}

TEST_F(ButtonTest, KeyPressSeesTheCharacterAndCanSwallowIt) {
    auto* next = form->Add<TEdit>("next", 170, 10, 100, 24, 1);
    flat->SetTabOrder(2);
    std::vector<int> chars;
    edit->OnKeyPress = [&](char& key) {
        chars.push_back(static_cast<unsigned char>(key));
        if (key == '\r') {
            key = 0;
            next->SetFocus();
        }
        if (key == 'x')
            key = 'y';
    };
    edit->OnKeyDown = [&](WORD& key, TShiftState) {
        if (key == VK_DOWN) {
            key = 0;
            log("down.swallowed");
        }
    };
    form->Show();
    log.Clear();
    testing::TypeText(*form, "ax");
    testing::KeyClick(*form, Qt::Key_Down);
    testing::KeyClick(*form, Qt::Key_Return);
    EXPECT_EQ(edit->Text(), "ay");
    EXPECT_EQ(chars, (std::vector<int>{'a', 'x', 13}));
    EXPECT_EQ(log.events, (Events{"down.swallowed", "edit.exit", "next.enter"}));
}

TEST_F(ButtonTest, AccessKeysOfControlsThatNeverTakeTheFocus) {
    auto* box = form->Add<TGroupBox>("box", 170, 10, 140, 80, 6);
    box->SetCaption("&Volumes");
    auto* inside = form->Add<TCheckBox>(box, "inside", 10, 20, 100, 20, 0);
    auto* label = form->Add<TLabel>("label", 170, 100, 60, 16, -1);
    label->SetCaption("&Word");
    label->SetFocusControl(flat);
    form->Show();
    log.Clear();
    testing::KeyClick(*form, Qt::Key_V, Qt::AltModifier);
    EXPECT_TRUE(inside->Focused());
    testing::KeyClick(*form, Qt::Key_W, Qt::AltModifier);
    EXPECT_EQ(log.events, (Events{"edit.exit", "inside.enter", "inside.exit", "flat.enter"}));
}

TEST_F(ButtonTest, ArrowKeysMoveBetweenButtons) {
    auto* second = form->Add<TdxButton>("second", 100, 50, 80, 24, 5);
    form->Show();
    flat->SetFocus();
    log.Clear();
    testing::KeyClick(*form, Qt::Key_Right);
    EXPECT_TRUE(second->Focused() || below->Focused());
    EXPECT_FALSE(flat->Focused());
}

}  // namespace
}  // namespace veloria::widgets::test
