#pragma once

#include "store/Table.h"
#include "widgets/BrowseForm.h"
#include "widgets/Buttons.h"
#include "widgets/DBGrid.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/Picture.h"
#include "widgets/ScrollBar.h"
#include "widgets/StdCtrls.h"

// The glossary: the list of terms and the explanation of the current one, its sub-headings in bold
// red. Typing the beginning of a term in the search box moves the list to the first term at or
// after it; the list, its four buttons and its scroll bar move through the terms; Copy puts the
// term with its explanation on the clipboard. Each showing starts at the first term.
class TFGlosario : public veloria::widgets::TBrowseForm {
  public:
    TFGlosario();

    // In the order of the lookup key NOMBRE2.
    veloria::store::Table Glosario{"Glosario.DB", "NOMBRE2"};

    veloria::widgets::TImage* Image1;
    veloria::widgets::TLabel* Label1;
    veloria::widgets::TLabel* Label3;
    veloria::widgets::TEdit* edSearch;
    veloria::widgets::TDBText* DBText1;
    veloria::widgets::TMemo* Memo1;
    veloria::widgets::TRichEdit* RichEdit1;
    veloria::widgets::TdxButton* dxButton3;
    veloria::widgets::TdxButton* dxButton4;
    veloria::widgets::TdxButton* dxButton5;
    veloria::widgets::TdxButton* dxButton6;
    veloria::widgets::TdxButton* dxButton1;
    veloria::widgets::TdxButton* dxButton2;
    veloria::widgets::TButton* Button3;

    void FormActivate();
    void edSearchChange();
    void edSearchKeyDown(veloria::widgets::WORD& key);
    void edSearchKeyPress(char& key);
    void edSearchEnter();
    void edSearchExit();
    void dxButton3Click();
    void dxButton4Click();
    void dxButton5Click();
    void dxButton6Click();
    void dxButton2Click();
    void dxButton1Click();
    void Button3Click();

  private:
    // The display step: the explanation of the current term, plain, then its sub-headings marked.
    void ShowCurrentEntry();
    // U1 to U7 joined, each "#" shown as a blank.
    std::string Explanation() const;
};

extern TFGlosario* FGlosario;
