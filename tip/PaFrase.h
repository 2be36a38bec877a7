#pragma once

#include "widgets/Buttons.h"
#include "widgets/Form.h"

// Created with its caption, size and tables so that the commands opening it already follow the
// opener's protocol; its controls come with its own work.
class TFFrase : public veloria::widgets::TForm {
  public:
    TFFrase();

    veloria::widgets::TdxButton* dxButton1;

    void dxButton1Click();
};

extern TFFrase* FFrase;
