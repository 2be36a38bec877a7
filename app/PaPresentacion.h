#pragma once

#include "widgets/Form.h"
#include "widgets/Picture.h"

// The splash window shown while the program creates its windows.
class TSplashForm : public veloria::widgets::TForm {
  public:
    TSplashForm();
    // Decodes the window's picture, on the thread that prepares the start: see DecodeStoredAhead.
    static void DecodeAhead();

    veloria::widgets::TImage* Image1;
};
