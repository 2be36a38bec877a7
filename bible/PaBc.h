#pragma once

#include <array>

#include "store/Table.h"
#include "widgets/BrowseForm.h"
#include "widgets/Buttons.h"
#include "widgets/DBGrid.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/Picture.h"
#include "widgets/ScrollBar.h"
#include "widgets/StdCtrls.h"

// The Bible verse list: every verse the work cites with its full text, and from the selected one
// the list of the work's sentences that cite it ("&Veloria"). The list reopens on the verse last
// viewed.
class TFBC : public veloria::widgets::TBrowseForm {
  public:
    TFBC();

    // In the table's own order; open for the life of the program, so the current verse stays.
    veloria::store::Table Biblia{"Biblia.DB"};

    veloria::widgets::TImage* Image1;
    veloria::widgets::TRichEdit* RichEdit1;
    veloria::widgets::TLabel* Label1;
    veloria::widgets::TLabel* Label2;
    veloria::widgets::TdxButton* dxButton1;
    veloria::widgets::TdxButton* dxButton2;
    veloria::widgets::TdxButton* dxButton3;
    veloria::widgets::TdxButton* dxButton4;
    veloria::widgets::TdxButton* dxButton5;
    veloria::widgets::TdxButton* dxButton6;
    veloria::widgets::TdxButton* dxButton7;
    veloria::widgets::TButton* Button1;

    void FormActivate();
    void dxButton4Click();
    void dxButton5Click();
    void dxButton6Click();
    void dxButton7Click();
    void dxButton3Click();
    void Button1Click();
    void dxButton2Click();
    void dxButton1Click();

  private:
    // The display step: the full text of the current verse, plain black.
    void ShowCurrentVerse();
    // What the "&Veloria" command disables while the sentences citing the verse are shown.
    std::array<veloria::widgets::TControl*, 9> ControlsOffWhileCitingOpen();
};

extern TFBC* FBC;
