#include "bible/PaCB.h"

#include "widgets/Make.h"

using namespace veloria::widgets;

TFCurBi* FCurBi = nullptr;

TFCurBi::TFCurBi() : TForm("FCurBi") {
    SetCaption("Veloria to Bible");
    SetClientSize(740, 446);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    dxButton1 = Make<TdxButton>(this, "dxButton1", 10, 411, 72, 25, 0);
    dxButton1->SetCaption("Cl&ose");
    dxButton1->SetCancel(true);
    dxButton1->OnClick = [this] { dxButton1Click(); };
}

void TFCurBi::dxButton1Click() {
    Close();
}
