#include "search/PaBarra.h"

#include "widgets/Make.h"

using namespace veloria::widgets;

TPBarra* PBarra = nullptr;

TPBarra::TPBarra() : TForm("PBarra") {
    SetCaption("PBarra");
    SetClientSize(361, 100);
    SetBorderStyle(bsNone);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    dxButton1 = Make<TdxButton>(this, "dxButton1", 10, 65, 72, 25, 0);
    dxButton1->SetCaption("Cl&ose");
    dxButton1->SetCancel(true);
    dxButton1->OnClick = [this] { dxButton1Click(); };
}

void TPBarra::dxButton1Click() {
    Close();
}
