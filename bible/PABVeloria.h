#pragma once

#include "store/Table.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"

// Created with its caption, size and tables so that the commands opening it already follow the
// opener's protocol; its controls come with its own work.
class TFB_Veloria : public veloria::widgets::TForm {
  public:
    TFB_Veloria();

    veloria::store::Table Tab_Texto_B{"Texto2B.DB"};
    veloria::widgets::TdxButton* dxButton1;

    void dxButton1Click();
};

extern TFB_Veloria* FB_Veloria;
