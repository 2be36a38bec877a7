#pragma once

#include "widgets/Buttons.h"
#include "widgets/Form.h"

// Created with its caption, size and tables so that the commands opening it already follow the
// opener's protocol; its controls come with its own work.
class TPBarra : public veloria::widgets::TForm {
  public:
    TPBarra();

    veloria::widgets::TdxButton* dxButton1;

    void dxButton1Click();
};

extern TPBarra* PBarra;
