#include "tip/PaFrase.h"

#include "widgets/Make.h"

using namespace veloria::widgets;

TFFrase* FFrase = nullptr;

TFFrase::TFFrase() : TForm("FFrase") {
    SetCaption("Tip of the Day");
    SetClientSize(506, 487);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    dxButton1 = Make<TdxButton>(this, "dxButton1", 10, 452, 72, 25, 0);
    dxButton1->SetCaption("Cl&ose");
    dxButton1->SetCancel(true);
    dxButton1->OnClick = [this] { dxButton1Click(); };
}

void TFFrase::dxButton1Click() {
    Close();
}
