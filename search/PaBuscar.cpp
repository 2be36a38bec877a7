#include "search/PaBuscar.h"

#include "widgets/Make.h"

using namespace veloria::widgets;

TFBuscar* FBuscar = nullptr;

TFBuscar::TFBuscar() : TForm("FBuscar") {
    SetCaption("Search");
    SetClientSize(521, 267);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    dxButton1 = Make<TdxButton>(this, "dxButton1", 10, 232, 72, 25, 0);
    dxButton1->SetCaption("Cl&ose");
    dxButton1->SetCancel(true);
    dxButton1->OnClick = [this] { dxButton1Click(); };
}

void TFBuscar::dxButton1Click() {
    Close();
}
