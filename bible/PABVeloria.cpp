#include "bible/PABVeloria.h"

#include "widgets/Make.h"

using namespace veloria::widgets;

TFB_Veloria* FB_Veloria = nullptr;

TFB_Veloria::TFB_Veloria() : TForm("FB_Veloria") {
    SetCaption("References to Veloria");
    SetClientSize(635, 407);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    dxButton1 = Make<TdxButton>(this, "dxButton1", 10, 372, 72, 25, 0);
    dxButton1->SetCaption("Cl&ose");
    dxButton1->SetCancel(true);
    dxButton1->OnClick = [this] { dxButton1Click(); };
}

void TFB_Veloria::dxButton1Click() {
    Close();
}
