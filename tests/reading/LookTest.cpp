// What every window shares: the colours of the look in use.
#include <gtest/gtest.h>

#include "tests/reading/ProgramFixture.h"
#include "widgets/HintWindow.h"
#include "widgets/Look.h"

namespace veloria::test {
namespace {

namespace t = widgets::testing;
using widgets::RGB;
using widgets::TLook;

// Another look for the length of a test, the standard one again after it.
class OtherLook {
  public:
    explicit OtherLook(const TLook& look) { widgets::SetLook(look); }
    ~OtherLook() { widgets::SetLook(widgets::kStandardLook); }
};

TEST_F(ProgramTest, TheWindowsTakeTheirColoursFromTheLookInUse) {
    TLook look = widgets::kStandardLook;
    look.fixedCells = RGB(1, 2, 3);
    look.mainWindow = RGB(4, 5, 6);
    look.readingWindow = RGB(7, 8, 9);
    OtherLook other(look);
    Start();
    EXPECT_EQ(F().Color(), look.mainWindow);
    EXPECT_EQ(F().DBGrid1->FixedColor(), look.fixedCells);
    EXPECT_EQ(F().HintWindow().ArrowBackgroundColor(), look.fixedCells);
    t::WhenModal(*FDesplegar, [] {
        EXPECT_EQ(FDesplegar->Color(), RGB(7, 8, 9));
        EXPECT_EQ(FDesplegar->HintWindow().ArrowBackgroundColor(), RGB(1, 2, 3));
        FDesplegar->Close();
    });
    t::Click(*F().dxButton6);
}

}  // namespace
}  // namespace veloria::test
