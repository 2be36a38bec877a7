#pragma once

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

// The sentences of the work that cite one Bible verse: the verse list hands them over in
// VerseRefList, every showing gathers them afresh into "Texto2B.DB" with their reference, page and
// text, and the current one is shown whole with its reference and volume.
class TFB_Veloria : public veloria::widgets::TBrowseForm {
  public:
    TFB_Veloria();

    veloria::store::Table Tab_Texto_B{"Texto2B.DB"};
    // The five book tables, looked up by sentence number.
    veloria::store::VolumeTables Volumes;

    veloria::widgets::TImage* Image1;
    veloria::widgets::TMemo* Memo1;
    veloria::widgets::TdxButton* dxButton1;
    veloria::widgets::TdxButton* dxButton2;
    veloria::widgets::TdxButton* dxButton3;
    veloria::widgets::TdxButton* dxButton4;
    veloria::widgets::TdxButton* dxButton5;
    veloria::widgets::TdxButton* dxButton6;
    // Opens the reading window at the current row.
    veloria::widgets::TdxButton* ReadButton;
    // The bookmark of the current sentence and its note; its mark.
    veloria::widgets::TdxButton* BookmarkButton;
    veloria::widgets::TLabel* MarkLabel;
    veloria::widgets::TLabel* Label1;
    veloria::widgets::TLabel* Label2;
    veloria::widgets::TLabel* Label3;
    veloria::widgets::TLabel* Label4;

    void FormActivate();
    void dxButton3Click();
    void dxButton4Click();
    void dxButton5Click();
    void dxButton6Click();
    void dxButton1Click();
    void dxButton2Click();
    void ReadButtonClick();
    void BookmarkButtonClick();
    void ShowMark();

  private:
    // The display step: the current row's sentence, its reference and its volume.
    void ShowCurrentRow();
    // Empties the result table and appends a row for each entry of VerseRefList, as one batch: a
    // failure leaves the rows of the last showing. Returns the number of rows.
    int RebuildList();
    // The book table moved onto the current row's sentence, or nullptr when there is none.
    veloria::store::Table* FindCurrentSentence();
};

extern TFB_Veloria* FB_Veloria;
