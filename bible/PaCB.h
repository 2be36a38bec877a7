#pragma once

#include <array>

#include "store/Table.h"
#include "store/VolumeTables.h"
#include "widgets/BrowseForm.h"
#include "widgets/Buttons.h"
#include "widgets/DBGrid.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/Picture.h"
#include "widgets/ScrollBar.h"
#include "widgets/StdCtrls.h"

// The list of the work's sentences that cite the Bible: each with its reference and text, the
// current one shown whole, and from it the Bible passages it cites ("&Bible"). The list reopens on
// the row the user left.
class TFCurBi : public veloria::widgets::TBrowseForm {
  public:
    TFCurBi();

    // In the table's own order; open for the life of the program, so the current row stays.
    veloria::store::Table T_Biblia{"VLBiblia.DB"};
    // The five book tables, looked up by sentence number.
    veloria::store::VolumeTables Volumes;

    veloria::widgets::TImage* Image1;
    veloria::widgets::TdxButton* dxButton1;
    veloria::widgets::TdxButton* dxButton2;
    veloria::widgets::TdxButton* dxButton3;
    veloria::widgets::TdxButton* dxButton4;
    veloria::widgets::TdxButton* dxButton5;
    veloria::widgets::TdxButton* dxButton6;
    veloria::widgets::TdxButton* dxButton7;
    veloria::widgets::TButton* Button1;
    veloria::widgets::TMemo* Memo1;
    // Opens the reading window at the current row.
    veloria::widgets::TdxButton* ReadButton;
    veloria::widgets::TLabel* Label1;
    veloria::widgets::TLabel* Label2;

    void FormActivate();
    void dxButton4Click();
    void dxButton5Click();
    void dxButton6Click();
    void dxButton7Click();
    void dxButton3Click();
    void Button1Click();
    void dxButton2Click();
    void dxButton1Click();
    void ReadButtonClick();

  private:
    // The display step: the current row's sentence.
    void ShowCurrentRow();
    // The book table moved onto the current row's sentence, or nullptr when there is none.
    veloria::store::Table* FindCurrentSentence();
    // What the "&Bible" command disables while the passages are shown.
    std::array<veloria::widgets::TdxButton*, 7> FlatButtons();
};

extern TFCurBi* FCurBi;
