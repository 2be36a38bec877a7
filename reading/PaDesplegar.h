#pragma once

#include "widgets/Buttons.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/Picture.h"

// The paragraph window: the whole paragraph around the current sentence, to read and copy.
class TFDesplegar : public veloria::widgets::TForm {
  public:
    TFDesplegar();

    veloria::widgets::TImage* Image1;
    veloria::widgets::TMemo* Memo1;
    veloria::widgets::TdxButton* dxButton1;
    veloria::widgets::TdxButton* dxButton2;

    void FormActivate();
    void dxButton1Click();
    void dxButton2Click();
};

extern TFDesplegar* FDesplegar;
