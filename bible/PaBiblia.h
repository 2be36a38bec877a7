#pragma once

#include "store/Table.h"
#include "widgets/BrowseForm.h"
#include "widgets/Buttons.h"
#include "widgets/DBGrid.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/Picture.h"

// The Bible passage viewer: the passages one sentence cites, listed by their reference, and the
// whole text of the selected one. The opener hands the passages' keys over in BibleRefList; every
// showing lists them afresh, in the order given, on the first of them.
class TFBiblia : public veloria::widgets::TBrowseForm {
  public:
    TFBiblia();

    // The passages, looked up by their key; open for the life of the program.
    veloria::store::Table Biblia{"Biblia.db", "NUMERO"};
    // The working table: one row for each passage of the list, rebuilt at every showing.
    veloria::store::Table TBiblia{"TBiblia.db"};

    veloria::widgets::TImage* Image1;
    veloria::widgets::TdxButton* dxButton1;
    veloria::widgets::TdxButton* dxButton2;
    veloria::widgets::TdxButton* dxButton3;
    veloria::widgets::TdxButton* dxButton4;
    veloria::widgets::TdxButton* dxButton5;
    veloria::widgets::TdxButton* dxButton6;
    veloria::widgets::TMemo* Memo1;

    void FormActivate();
    void dxButton3Click();
    void dxButton4Click();
    void dxButton5Click();
    void dxButton6Click();
    void dxButton2Click();
    void dxButton1Click();

  private:
    // The display step: the text of the current row's passage.
    void ShowCurrentPassage();
    // Empties the working table and appends the passages BibleRefList names, as one batch: a
    // failure leaves the rows of the last showing.
    void RebuildList();
};

extern TFBiblia* FBiblia;
