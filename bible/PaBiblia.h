#pragma once

#include "store/Table.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"

// Created with its caption, size and tables so that the commands opening it already follow the
// opener's protocol; its controls come with its own work.
class TFBiblia : public veloria::widgets::TForm {
  public:
    TFBiblia();

    veloria::store::Table Biblia{"Biblia.db", "NUMERO"};
    veloria::store::Table TBiblia{"TBiblia.db"};
    veloria::widgets::TdxButton* dxButton1;

    void dxButton1Click();
};

extern TFBiblia* FBiblia;
