#pragma once

#include "widgets/Form.h"
#include "widgets/Picture.h"

// The splash window shown while the program creates its windows.
class TSplashForm : public veloria::widgets::TForm {
  public:
    TSplashForm();

    veloria::widgets::TImage* Image1;
};
