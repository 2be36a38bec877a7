#pragma once

#include "store/Table.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"

// Created with its caption, size and tables so that the commands opening it already follow the
// opener's protocol; its controls come with its own work.
class TFBC : public veloria::widgets::TForm {
  public:
    TFBC();

    veloria::store::Table Biblia{"Biblia.DB"};
    veloria::widgets::TdxButton* dxButton1;

    void dxButton1Click();
};

extern TFBC* FBC;
