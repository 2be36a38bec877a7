#include "glossary/PaGlosario.h"

#include "widgets/Make.h"

using namespace veloria::widgets;

TFGlosario* FGlosario = nullptr;

TFGlosario::TFGlosario() : TForm("FGlosario") {
    SetCaption("Glossary  -  terms explained by the sample corpus's editors, veloria.example.org");
    SetClientSize(704, 444);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    dxButton1 = Make<TdxButton>(this, "dxButton1", 10, 409, 72, 25, 0);
    dxButton1->SetCaption("Cl&ose");
    dxButton1->SetCancel(true);
    dxButton1->OnClick = [this] { dxButton1Click(); };
}

void TFGlosario::dxButton1Click() {
    Close();
}
