#pragma once

#include "store/Table.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"

// Created with its caption, size and tables so that the commands opening it already follow the
// opener's protocol; its controls come with its own work.
class TFCurBi : public veloria::widgets::TForm {
  public:
    TFCurBi();

    veloria::store::Table T_Biblia{"VLBiblia.DB"};
    veloria::widgets::TdxButton* dxButton1;

    void dxButton1Click();
};

extern TFCurBi* FCurBi;
