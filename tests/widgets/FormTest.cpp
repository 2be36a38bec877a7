// The order of window events the windows rely on: activation and first focus for main and
// modal forms, the opener's return, focus moves, Escape, and the central error box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QWindow>
#include <stdexcept>

#include "tests/widgets/Fixtures.h"

namespace veloria::widgets::test {
namespace {

using testing::DialogCapture;
using testing::WhenModal;
using Events = std::vector<std::string>;

class FormTest : public WidgetTest {
  protected:
    // A main window: an edit box first in tab order, then two flat buttons.
    void MakeMain() {
        main = std::make_unique<LoggedForm>("main", log);
        grid = main->Add<TEdit>("grid", 10, 10, 120, 24, 0);
        button = main->Add<TdxButton>("button", 10, 50, 80, 24, 1);
        button->SetCaption("&Paragraph");
        other = main->Add<TdxButton>("other", 100, 50, 80, 24, 2);
        other->SetCaption("&Other");
    }
    // A modal child: a memo first in tab order, a cancel button.
    void MakeChild() {
        child = std::make_unique<LoggedForm>("child", log);
        memo = child->Add<TMemo>("memo", 10, 10, 200, 100, 0);
        close = child->Add<TdxButton>("close", 220, 10, 80, 24, 1);
        close->SetCaption("Cl&ose");
        close->SetCancel(true);
        close->OnClick = [this] {
            log("close.click");
            child->Close();
        };
    }

    std::unique_ptr<LoggedForm> main, child;
    TEdit* grid = nullptr;
    TdxButton* button = nullptr;
    TdxButton* other = nullptr;
    TMemo* memo = nullptr;
    TdxButton* close = nullptr;
};

// The windows of a start destroyed after its first paint but before the work that waits for it
// ran, as a test ends a program: the next start's work still waits for its own window's paint.
TEST_F(FormTest, WorkLeftForAFirstPaintWaitsForItsOwnStart) {
    bool ran = false;
    QWidget painted;
    painted.setObjectName("Painted");
    painted.show();
    Application().AfterFirstPaint("Painted", [] {});
    QPaintEvent paint(QRect(0, 0, 1, 1));
    QCoreApplication::sendEvent(&painted, &paint);
    Application().DestroyForms();
    Application().AfterFirstPaint("NeverShown", [&] { ran = true; });
    testing::ProcessEvents(50);
    EXPECT_FALSE(ran);
    Application().DestroyForms();
}

TEST_F(FormTest, MainFormActivatesFirstThenItsFirstControlGainsTheFocus) {
    MakeMain();
    // Focus given during the activation is taken only once the activation has run.
    main->OnActivate = [this] {
        log("main.activate");
        grid->SetFocus();
        log("main.activate.end");
    };
    main->Show();
    EXPECT_EQ(log.events, (Events{"main.activate", "main.activate.end", "grid.enter"}));
    EXPECT_EQ(main->ActiveControl(), grid);
    EXPECT_EQ(QApplication::focusWidget(), grid);
}

TEST_F(FormTest, AModalFormShownFromTheMainActivationLeavesTheFirstFocusForAfterIt) {
    // The start-up: the main window's activation shows the tip of the day modally, then enables
    // its commands; only after the whole activation does the grid gain the focus, once.
    MakeMain();
    MakeChild();
    button->SetEnabled(false);
    main->OnActivate = [this] {
        log("main.activate");
        grid->SetFocus();
        WhenModal(*child, [this] { testing::Click(*close); });
        child->ShowModal();
        button->SetEnabled(true);
        log("main.activate.end");
    };
    main->Show();
    EXPECT_EQ(log.events,
              (Events{"main.activate", "memo.enter", "child.activate", "memo.exit", "close.enter",
                      "close.click", "main.activate.end", "grid.enter"}));
    EXPECT_EQ(QApplication::focusWidget(), grid);
}

// The opener's protocol: disable the buttons, show the child modally, enable them again, give
// the grid the focus. Started with the mouse, the button held the focus, so the grid's focus
// gain runs; started by the access key from the grid, it does not.
TEST_F(FormTest, TheOpenersProtocolRunsTheGridsEnterOnlyAfterAMousePress) {
    MakeMain();
    MakeChild();
    button->OnClick = [this] {
        button->SetEnabled(false);
        other->SetEnabled(false);
        WhenModal(*child, [this] { testing::KeyClick(*child, Qt::Key_Escape); });
        child->ShowModal();
        button->SetEnabled(true);
        other->SetEnabled(true);
        grid->SetFocus();
    };
    main->Show();
    log.Clear();
    testing::Click(*button);
    EXPECT_EQ(log.events, (Events{"grid.exit", "button.enter", "memo.enter", "child.activate",
                                  "close.click", "button.exit", "grid.enter"}));
    log.Clear();
    testing::KeyClick(*main, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(log.events, (Events{"memo.enter", "child.activate", "close.click"}));
    EXPECT_EQ(QApplication::focusWidget(), grid);
}

TEST_F(FormTest, ModalFormFocusesItsFirstControlBeforeItsActivation) {
    MakeMain();
    MakeChild();
    main->Show();
    log.Clear();
    WhenModal(*child, [this] {
        log("child.shown");
        child->Close();
    });
    EXPECT_EQ(child->ShowModal(), mrCancel);
    EXPECT_EQ(log.events, (Events{"memo.enter", "child.activate", "child.shown"}));
    EXPECT_FALSE(child->isVisible());
}

TEST_F(FormTest, ClosingAModalFormReturnsToTheOpenerWithoutActivationOrEnter) {
    MakeMain();
    MakeChild();
    main->Show();
    testing::Click(*button);  // the button takes the focus
    ASSERT_EQ(main->ActiveControl(), button);
    log.Clear();
    button->OnClick = [this] {
        log("button.click");
        WhenModal(*child, [this] { testing::KeyClick(*child, Qt::Key_Escape); });
        child->ShowModal();
        log("button.after");
    };
    testing::Click(*button);
    testing::ProcessEvents(20);
    EXPECT_EQ(log.events, (Events{"button.click", "memo.enter", "child.activate", "close.click",
                                  "button.after"}));
    EXPECT_EQ(main->ActiveControl(), button);
    EXPECT_EQ(QApplication::activeWindow(), main.get());
    EXPECT_EQ(QApplication::focusWidget(), button);
}

TEST_F(FormTest, ASecondShowingStartsAgainAtTheFirstControl) {
    MakeMain();
    MakeChild();
    main->Show();
    WhenModal(*child, [this] {
        close->SetFocus();
        child->Close();
    });
    child->ShowModal();
    log.Clear();
    WhenModal(*child, [this] { child->Close(); });
    child->ShowModal();
    EXPECT_EQ(log.events, (Events{"memo.enter", "child.activate"}));
}

TEST_F(FormTest, AModalFormIsADialogOfItsOpenerWithOnlyTheTitleBarButtonsItAsksFor) {
    MakeMain();
    MakeChild();
    main->Show();
    EXPECT_EQ(main->windowType(), Qt::Window);
    const auto showing = [this] {
        Qt::WindowFlags flags;
        const QWindow* opener = nullptr;
        WhenModal(*child, [&] {
            flags = child->windowFlags();
            opener = child->windowHandle()->transientParent();
            child->Close();
        });
        child->ShowModal();
        EXPECT_EQ(opener, main->windowHandle());
        return flags;
    };
    const Qt::WindowFlags buttons = Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
    // A dialog frame, and a resizable one that asks for its close box alone.
    Qt::WindowFlags flags = showing();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & buttons);
    child->SetBorderStyle(bsSizeable);
    child->SetBorderIcons({biSystemMenu});
    flags = showing();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & buttons);
    // The same form shown on its own is a window again, with the boxes it asks for.
    child->SetBorderIcons({biSystemMenu, biMinimize, biMaximize});
    child->Show();
    EXPECT_EQ(child->windowType(), Qt::Window);
    EXPECT_EQ(child->windowFlags() & buttons, buttons);
    child->Hide();
}

TEST_F(FormTest, TheCloseBoxClosesAsCloseDoes) {
    MakeMain();
    MakeChild();
    main->Show();
    // The window system's close request (the close box) arrives as a close event.
    WhenModal(*child, [this] { child->close(); });
    EXPECT_EQ(child->ShowModal(), mrCancel);
    EXPECT_FALSE(child->isVisible());
    LoggedForm tool("tool", log);
    tool.Show();
    EXPECT_TRUE(tool.close());
    EXPECT_FALSE(tool.isVisible());
    EXPECT_EQ(Application().ActiveForm(), main.get());
}

TEST_F(FormTest, ModalResultOfAButtonEndsTheShowing) {
    MakeMain();
    MakeChild();
    close->SetModalResult(mrOk);
    close->OnClick = nullptr;
    main->Show();
    WhenModal(*child, [this] { testing::Click(*close); });
    EXPECT_EQ(child->ShowModal(), mrOk);
}

TEST_F(FormTest, NestedModalFormsEachReturnToTheirOpener) {
    MakeMain();
    MakeChild();
    LoggedForm inner("inner", log);
    auto* ok = inner.Add<TButton>("ok", 10, 10, 75, 25, 0);
    ok->SetCaption("OK");
    ok->SetModalResult(mrOk);
    main->Show();
    log.Clear();
    WhenModal(*child, [&] {
        WhenModal(inner, [&] { testing::KeyClick(inner, Qt::Key_Return); });
        log(inner.ShowModal() == mrOk ? "inner.ok" : "inner.other");
        EXPECT_EQ(Application().ActiveForm(), child.get());
        EXPECT_EQ(QApplication::focusWidget(), memo);
        testing::KeyClick(*child, Qt::Key_Escape);
    });
    child->ShowModal();
    EXPECT_EQ(log.events, (Events{"memo.enter", "child.activate", "ok.enter", "inner.activate",
                                  "inner.ok", "close.click"}));
    EXPECT_EQ(Application().ActiveForm(), main.get());
}

TEST_F(FormTest, InputToAWindowBlockedByAModalFormIsLost) {
    MakeMain();
    MakeChild();
    int clicks = 0;
    other->OnClick = [&] { ++clicks; };
    main->Show();
    WhenModal(*child, [&] {
        testing::KeyClick(*main, Qt::Key_O, Qt::AltModifier);
        testing::Click(*other);
        child->Close();
    });
    child->ShowModal();
    EXPECT_EQ(clicks, 0);
}

TEST_F(FormTest, AFormBesideTheModalWindowsWorksBesideTheOneItWasShownFrom) {
    MakeMain();
    MakeChild();
    LoggedForm beside("beside", log);
    beside.SetBorderStyle(bsSizeable);
    beside.SetBesideModalWindows(true);
    auto* edit = beside.Add<TEdit>("edit", 10, 10, 120, 24, 0);
    LoggedForm later("later", log);
    int clicks = 0;
    other->OnClick = [&] { ++clicks; };
    main->Show();
    WhenModal(*child, [&] {
        beside.Show();
        testing::KeyClick(beside, Qt::Key_A);
        // The modal window and the one below it are as they were: the first works, the main
        // window gets nothing.
        testing::Activate(*child);
        testing::KeyClick(*child, Qt::Key_Tab);
        EXPECT_EQ(child->ActiveControl(), close);
        testing::Click(*other);
        // A modal window opened after it blocks it.
        WhenModal(later, [&] {
            testing::KeyClick(beside, Qt::Key_B);
            later.Close();
        });
        later.ShowModal();
        // Worked in last, it does not keep the modal window's opener from being active again.
        testing::Activate(beside);
        testing::KeyClick(*child, Qt::Key_Escape);
    });
    child->ShowModal();
    EXPECT_EQ(edit->Text(), "a");
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(Application().ActiveForm(), main.get());
    // With the modal window gone it is an ordinary window.
    testing::KeyClick(beside, Qt::Key_C);
    EXPECT_EQ(edit->Text(), "ac");
}

TEST_F(FormTest, ReactivatingAWindowRunsNoEnter) {
    MakeMain();
    MakeChild();
    main->Show();
    log.Clear();
    QApplication::setActiveWindow(child.get());
    QApplication::setActiveWindow(main.get());
    main->activateWindow();
    testing::ProcessEvents(20);
    EXPECT_EQ(log.events, Events{});
    EXPECT_EQ(main->ActiveControl(), grid);
}

TEST_F(FormTest, DisablingTheFocusedControlKeepsItsFocus) {
    MakeMain();
    main->Show();
    testing::Click(*button);
    log.Clear();
    button->SetEnabled(false);
    testing::ProcessEvents();
    EXPECT_EQ(log.events, Events{});
    EXPECT_EQ(main->ActiveControl(), button);
    // No other control takes keys meanwhile.
    testing::KeyClick(*main, Qt::Key_Tab);
    EXPECT_EQ(log.events, Events{});
    button->SetEnabled(true);
    EXPECT_EQ(QApplication::focusWidget(), button);
    EXPECT_EQ(log.events, Events{});
    // A real move later runs the handlers as usual.
    grid->SetFocus();
    EXPECT_EQ(log.events, (Events{"button.exit", "grid.enter"}));
}

TEST_F(FormTest, DisablingAnotherControlOrAContainerRunsNoEnter) {
    MakeMain();
    auto* box = main->Add<TGroupBox>("box", 10, 100, 200, 80, 3);
    auto* check = main->Add<TCheckBox>(box, "check", 10, 20, 100, 20, 0);
    check->SetCaption("&Check");
    main->Show();
    check->SetFocus();
    log.Clear();
    grid->SetEnabled(false);
    box->SetEnabled(false);
    testing::ProcessEvents();
    EXPECT_EQ(log.events, Events{});
    EXPECT_EQ(main->ActiveControl(), check);
    box->SetEnabled(true);
    EXPECT_EQ(QApplication::focusWidget(), check);
}

TEST_F(FormTest, TabVisitsTheControlsInTabOrderAcrossContainers) {
    MakeMain();
    auto* box = main->Add<TGroupBox>("box", 10, 100, 200, 80, 1);
    auto* any = main->Add<TRadioButton>(box, "any", 10, 20, 100, 20, 0);
    auto* exact = main->Add<TRadioButton>(box, "exact", 10, 45, 100, 20, 1);
    any->SetChecked(true);
    button->SetTabOrder(2);
    other->SetTabOrder(3);
    main->Show();
    log.Clear();
    // grid(0) -> box(1): the selected radio button only -> button(1 after box) -> other
    testing::KeyClick(*main, Qt::Key_Tab);
    testing::KeyClick(*main, Qt::Key_Tab);
    testing::KeyClick(*main, Qt::Key_Tab);
    testing::KeyClick(*main, Qt::Key_Tab);
    EXPECT_EQ(log.events, (Events{"grid.exit", "any.enter", "any.exit", "button.enter",
                                  "button.exit", "other.enter", "other.exit", "grid.enter"}));
    log.Clear();
    testing::KeyClick(*main, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(log.events, (Events{"grid.exit", "other.enter"}));
    EXPECT_FALSE(exact->Focused());
}

TEST_F(FormTest, AResizableFormStretchesOnlyItsAnchoredControls) {
    LoggedForm tip("tip", log);
    tip.SetBorderStyle(bsSizeable);
    tip.SetClientSize(506, 487);
    auto* credits = tip.Add<TRichEdit>("RichEdit1", 40, 245, 425, 196, 2);
    credits->SetAnchors({akLeft, akTop, akRight});
    auto* ok = tip.Add<TdxButton>("dxButton1", 213, 455, 81, 25, 0);
    // A label anchored to the right edge keeps its right edge there, at the size its caption
    // gave it since.
    auto* status = tip.Add<TLabel>("Status", 400, 460, 1, 17, -1);
    status->SetAlignment(taRightJustify);
    status->SetAnchors({akRight, akBottom});
    status->SetCaption("A longer caption");
    const int width = status->Width();
    const int right = status->Left() + width;
    tip.Show();
    tip.resize(606, 497);
    testing::ProcessEvents();
    EXPECT_EQ(credits->Width(), 525);
    EXPECT_EQ(credits->Left(), 40);
    EXPECT_EQ(ok->Left(), 213);
    EXPECT_EQ(ok->Width(), 81);
    EXPECT_EQ(status->Width(), width);
    EXPECT_EQ(status->Left() + width, right + 100);
    EXPECT_EQ(status->Top(), 470);
    EXPECT_EQ(tip.ClientWidth(), 506);  // the designed size
}

TEST_F(FormTest, SetFocusIsARealMoveAndRefusedForADisabledControl) {
    MakeMain();
    main->Show();
    log.Clear();
    other->SetFocus();
    other->SetFocus();
    EXPECT_EQ(log.events, (Events{"grid.exit", "other.enter"}));
    button->SetEnabled(false);
    EXPECT_THROW(button->SetFocus(), WidgetError);
}

TEST_F(FormTest, HidingANonModalFormReturnsToTheFormBelow) {
    MakeMain();
    LoggedForm progress("progress", log);
    progress.SetBorderStyle(bsNone);
    main->Show();
    log.Clear();
    progress.Show();
    progress.Repaint();
    EXPECT_EQ(Application().ActiveForm(), &progress);
    progress.Close();
    EXPECT_EQ(Application().ActiveForm(), main.get());
    EXPECT_EQ(log.events, Events{"progress.activate"});
    EXPECT_EQ(QApplication::focusWidget(), grid);
}

TEST_F(FormTest, AFormDeletedDuringItsModalShowingEndsIt) {
    MakeMain();
    main->Show();
    auto doomed = std::make_unique<LoggedForm>("doomed", log);
    LoggedForm* raw = doomed.get();
    WhenModal(*raw, [&] { doomed.reset(); });
    EXPECT_EQ(raw->ShowModal(), mrCancel);
    EXPECT_EQ(doomed, nullptr);
    EXPECT_EQ(Application().ActiveForm(), main.get());
}

TEST_F(FormTest, AnExceptionLeavingAHandlerShowsTheErrorBoxAndTheProgramGoesOn) {
    MakeMain();
    DialogCapture boxes;
    int after = 0;
    button->OnClick = [&] {
        throw std::runtime_error("Texto_B.DB: locked by another program");
        ++after;
    };
    other->OnClick = [&] { throw std::runtime_error("Cannot open file \"Fondo01.bmp\""); };
    main->Show();
    testing::Click(*button);
    testing::KeyClick(*main, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(after, 0);
    ASSERT_EQ(boxes.Dialogs().size(), 2u);
    EXPECT_EQ(boxes.Dialogs()[0].text, "Texto_B.DB: locked by another program.");
    EXPECT_EQ(boxes.Dialogs()[0].caption, "Veloria");
    EXPECT_EQ(boxes.Dialogs()[1].text, "Cannot open file \"Fondo01.bmp\"");
    // The window still answers.
    button->OnClick = [&] { ++after; };
    testing::Click(*button);
    EXPECT_EQ(after, 1);
}

TEST_F(FormTest, AClickByTheProgramPassesTheExceptionToTheCallingHandler) {
    MakeMain();
    DialogCapture boxes;
    std::vector<std::string> steps;
    auto* hidden = main->Add<TButton>("hidden", 10, 90, 60, 22, 5);
    hidden->SetVisible(false);
    hidden->OnClick = [] { throw std::runtime_error("Cannot open file \"Logotipo01.bmp\""); };
    main->OnActivate = [&] {
        steps.push_back("activate");
        hidden->Click();
        steps.push_back("after Activar");
    };
    main->Show();
    EXPECT_EQ(steps, Events{"activate"});
    EXPECT_EQ(boxes.Errors(), Events{"Cannot open file \"Logotipo01.bmp\""});
    EXPECT_THROW(hidden->Click(), std::runtime_error);
}

// A failure in a control's Enter or key handler shows the error box; dismissing the box, by
// Enter or by the mouse, re-activates the window, which brings no handler back: the window is
// usable, not caught in a loop of boxes.
TEST_F(FormTest, DismissingTheErrorBoxRunsNoHandlerOfTheWindowAgain) {
    for (const auto answer :
         {testing::RealBoxes::Answer::Enter, testing::RealBoxes::Answer::Click}) {
        MakeMain();
        int enters = 0, keyUps = 0, keyDowns = 0;
        grid->OnEnter = [&] {
            ++enters;
            throw std::runtime_error("Cannot open file \"BCerrado.bmp\"");
        };
        grid->OnKeyDown = [&](WORD&, TShiftState) { ++keyDowns; };
        grid->OnKeyUp = [&](WORD&, TShiftState) {
            ++keyUps;
            throw std::runtime_error("Cannot open file \"BCerrado.bmp\"");
        };
        testing::RealBoxes boxes(answer);
        main->Show();
        ASSERT_TRUE(testing::WaitFor([&] { return boxes.Texts().size() == 1; }));
        testing::ProcessEvents(300);
        EXPECT_EQ(enters, 1);
        EXPECT_EQ(keyUps, 0);
        EXPECT_EQ(boxes.Texts().size(), 1u);
        EXPECT_TRUE(grid->Focused());

        // A real key stroke in the control: one box for its release, and no more.
        testing::KeyClick(*main, Qt::Key_Down);
        ASSERT_TRUE(testing::WaitFor([&] { return boxes.Texts().size() == 2; }));
        testing::ProcessEvents(300);
        EXPECT_EQ(keyDowns, 1);
        EXPECT_EQ(keyUps, 1);
        EXPECT_EQ(enters, 1);
        EXPECT_EQ(boxes.Texts().size(), 2u);
        main->Hide();
        main.reset();
    }
}

// A key whose press fails in a control (its box takes the key's release) is no longer down in
// the window once the box has gone: the Enter that dismisses the box runs no OnKeyUp, not even
// once.
TEST_F(FormTest, AKeyWhosePressBroughtABoxIsNotDownOnceTheBoxHasGone) {
    MakeMain();
    int keyUps = 0;
    grid->OnKeyDown = [&](WORD& key, TShiftState) {
        if (key == VK_RETURN)
            throw std::runtime_error("Cannot open file \"BCerrado.bmp\"");
    };
    grid->OnKeyUp = [&](WORD&, TShiftState) { ++keyUps; };
    testing::RealBoxes boxes(testing::RealBoxes::Answer::Enter);
    main->Show();
    testing::KeyPress(*main, Qt::Key_Return);
    ASSERT_TRUE(testing::WaitFor([&] { return boxes.Texts().size() == 1; }));
    testing::ProcessEvents(300);
    EXPECT_EQ(keyUps, 0);
    EXPECT_EQ(boxes.Texts().size(), 1u);
    testing::KeyClick(*main, Qt::Key_Down);
    EXPECT_EQ(keyUps, 1);
}

}  // namespace
}  // namespace veloria::widgets::test
