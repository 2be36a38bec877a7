#include "app/PaPresentacion.h"

#include "widgets/Make.h"
#include "widgets/StoredPicture.h"

using namespace veloria::widgets;

namespace {
constexpr std::string_view kPicture = "Splash.jpg";
}

void TSplashForm::DecodeAhead() {
    DecodeStoredAhead({kPicture});
}

TSplashForm::TSplashForm() : TForm("SplashForm") {
    SetCaption(" ");
    SetClientSize(416, 158);
    SetBorderStyle(bsNone);
    SetBorderIcons({});
    SetFormStyle(fsStayOnTop);
    ShowAsSplash();
    SetPosition(poScreenCenter);
    Image1 = Make<TImage>(this, "Image1", 0, 0, 416, 158);
    Image1->SetPicture(StoredPicture(kPicture));
}
