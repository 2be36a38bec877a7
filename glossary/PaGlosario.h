#pragma once

#include "store/Table.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"

// Created with its caption, size and tables so that the commands opening it already follow the
// opener's protocol; its controls come with its own work.
class TFGlosario : public veloria::widgets::TForm {
  public:
    TFGlosario();

    veloria::store::Table Glosario{"Glosario.DB", "NOMBRE2"};
    veloria::widgets::TdxButton* dxButton1;

    void dxButton1Click();
};

extern TFGlosario* FGlosario;
