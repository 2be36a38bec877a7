// Every window the program creates, as a screen-reader or keyboard user meets it: nothing that
// takes the focus is nameless, nothing hidden is listed, Tab from any control reaches every
// command, Escape closes every dialog; and what a reader is told as the hits go by.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <set>

#include "tests/reading/ProgramFixture.h"
#include "widgets/Accessible.h"

namespace veloria::test {
namespace {

namespace t = widgets::testing;
using widgets::TControl;
using widgets::TForm;

// The objects a reader finds in the window, with the interface of each.
void Walk(QAccessibleInterface* iface, std::vector<QAccessibleInterface*>& out) {
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        ASSERT_NE(child, nullptr);
        out.push_back(child);
        // Below the layer's own containers only: Qt's text boxes and grids hold their parts.
        if (child->role() == QAccessible::Grouping)
            Walk(child, out);
    }
}

bool IsCommand(TControl* c) {
    QWidget& w = c->Widget();
    return (dynamic_cast<widgets::TdxButton*>(&w) || dynamic_cast<widgets::TButton*>(&w) ||
            dynamic_cast<widgets::TCheckBox*>(&w) || dynamic_cast<widgets::TStaticText*>(&w) ||
            (dynamic_cast<widgets::TRadioButton*>(&w) && c->TabStop())) &&
           c->TabStop() && c->CanFocus() && widgets::accessibility::Exposed(w);
}

bool KeepsTab(TControl* c) {
    auto* grid = dynamic_cast<widgets::TDBGrid*>(&c->Widget());
    return grid && grid->Options().Contains(widgets::dgTabs);
}

void CheckReadable(TForm& form) {
    std::vector<QAccessibleInterface*> found;
    Walk(QAccessible::queryAccessibleInterface(&form), found);
    std::set<QObject*> listed;
    for (QAccessibleInterface* iface : found) {
        listed.insert(iface->object());
        if (iface->state().focusable && !iface->state().invisible) {
            EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty())
                << iface->object()->objectName().toStdString() << " has no name";
        }
    }
    for (TControl* c : form.Controls()) {
        QWidget& w = c->Widget();
        if (!w.isVisibleTo(&form)) {
            EXPECT_EQ(listed.count(&w), 0u) << c->Name() << " is hidden but listed";
        } else if (w.focusPolicy() != Qt::NoFocus && widgets::accessibility::Exposed(w)) {
            EXPECT_EQ(listed.count(&w), 1u) << c->Name() << " takes the focus but is not listed";
        }
    }
}

void CheckTabReachesEveryCommand(TForm& form) {
    std::vector<TControl*> stops;
    std::set<TControl*> commands;
    for (TControl* c : form.Controls()) {
        if (c->TabStop() && c->CanFocus())
            stops.push_back(c);
        if (IsCommand(c))
            commands.insert(c);
    }
    for (TControl* start : stops) {
        start->SetFocus();
        std::set<TControl*> reached{start};
        for (std::size_t i = 0; i <= stops.size(); ++i) {
            TControl* at = form.ActiveControl();
            ASSERT_NE(at, nullptr);
            t::KeyClick(form, Qt::Key_Tab, KeepsTab(at) ? Qt::ControlModifier : Qt::NoModifier);
            reached.insert(form.ActiveControl());
        }
        for (TControl* command : commands) {
            EXPECT_EQ(reached.count(command), 1u)
                << "Tab from " << start->Name() << " never reaches " << command->Name();
        }
    }
}

bool HasCancelButton(TForm& form) {
    for (TControl* c : form.Controls()) {
        auto* flat = dynamic_cast<widgets::TdxButton*>(&c->Widget());
        auto* standard = dynamic_cast<widgets::TButton*>(&c->Widget());
        if ((flat && flat->Cancel()) || (standard && standard->Cancel()))
            return true;
    }
    return false;
}

TEST_F(ProgramTest, EveryWindowReadsAndWorksFromTheKeyboard) {
    SetHits({{"T", "2"}, {"E", "1"}, {"S", "1"}});
    Start();
    std::vector<TForm*> forms;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* form = dynamic_cast<TForm*>(w))
            forms.push_back(form);
    }
    ASSERT_GE(forms.size(), 10u);
    for (TForm* form : forms) {
        SCOPED_TRACE(form->Name());
        if (form == Form1) {
            CheckReadable(*form);
            CheckTabReachesEveryCommand(*form);
            continue;
        }
        bool seen = false;
        t::WhenModal(*form, [&] {
            seen = true;
            CheckReadable(*form);
            CheckTabReachesEveryCommand(*form);
            // Escape closes every dialog; the progress window, a picture with a gauge, is closed
            // by the search that shows it.
            if (form->BorderStyle() != widgets::bsNone) {
                EXPECT_TRUE(HasCancelButton(*form));
                t::KeyClick(*form, Qt::Key_Escape);
            }
            if (form->Visible() && form->Modal())
                form->Close();
        });
        form->ShowModal();
        EXPECT_TRUE(seen);
        EXPECT_FALSE(form->Visible());
    }
}

TEST_F(ProgramTest, AReaderHearsEachHitWithItsCounterReferenceVolumeAndBibleIndicator) {
    SetHits({{"T", "1"}, {"E", "1"}});
    Start();
    std::vector<std::pair<QObject*, std::string>> heard;
    // Where the reader is put: the grid of the cell, the cell's name.
    std::vector<std::pair<QObject*, std::string>> focused;
    widgets::accessibility::SetEventHook([&](QAccessibleEvent& e) {
        if (e.type() == QAccessible::TextUpdated) {
            heard.emplace_back(
                e.object(),
                static_cast<QAccessibleTextUpdateEvent&>(e).textInserted().toStdString());
        }
        QAccessibleInterface* on = e.accessibleInterface();
        if (e.type() == QAccessible::Focus && on && on->tableCellInterface()) {
            focused.emplace_back(on->tableCellInterface()->table()->object(),
                                 on->text(QAccessible::Name).toStdString());
        }
    });
    t::Click(*F().dxButton9);
    t::ProcessEvents();
    widgets::accessibility::SetEventHook({});

    auto said = [&](QObject* label, const std::string& text) {
        return std::find(heard.begin(), heard.end(), std::pair(label, text)) != heard.end();
    };
    EXPECT_TRUE(said(F().Label7, "2 / 2 References"));
    EXPECT_TRUE(said(F().Label3, "W-1"));
    EXPECT_TRUE(said(F().Label5, "Workbook"));
    // The grid has the focus back: the reader is put on its current row, the new hit.
    ASSERT_FALSE(focused.empty());
    EXPECT_EQ(focused.back().first, F().DBGrid1);
    EXPECT_EQ(focused.back().second, "ref");
    QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(F().DBGrid1)->focusChild();
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name).toStdString(), "ref");
    EXPECT_EQ(cell->text(QAccessible::Description).toStdString(), "Sentence: sentence");
    // The workbook sentence cites the Bible; the button says so.
    QAccessibleInterface* bible = QAccessible::queryAccessibleInterface(F().B_Biblia);
    EXPECT_EQ(bible->text(QAccessible::Name).toStdString(), "Bible");
    EXPECT_EQ(bible->text(QAccessible::Description).toStdString(),
              "Veloria to Bible. The sentence cites the Bible");
    EXPECT_FALSE(bible->state().disabled);
    t::Click(*F().dxButton7);
    EXPECT_EQ(bible->text(QAccessible::Description).toStdString(),
              "Veloria to Bible. The sentence cites no Bible passage");
    EXPECT_TRUE(bible->state().disabled);
}

}  // namespace
}  // namespace veloria::test
