#include "bible/PaBiblia.h"

#include "widgets/Make.h"

using namespace veloria::widgets;

TFBiblia* FBiblia = nullptr;

TFBiblia::TFBiblia() : TForm("FBiblia") {
    SetCaption("Bible  -  New King James Version");
    SetClientSize(649, 443);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    dxButton1 = Make<TdxButton>(this, "dxButton1", 10, 408, 72, 25, 0);
    dxButton1->SetCaption("Cl&ose");
    dxButton1->SetCancel(true);
    dxButton1->OnClick = [this] { dxButton1Click(); };
}

void TFBiblia::dxButton1Click() {
    Close();
}
