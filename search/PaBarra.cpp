#include "search/PaBarra.h"

#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/StoredPicture.h"

using namespace veloria::widgets;

TPBarra* PBarra = nullptr;

TPBarra::TPBarra() : TForm("PBarra") {
    SetCaption("PBarra");
    SetBorderStyle(bsNone);
    SetClientSize(361, 100);
    SetPosition(poScreenCenter);

    // Wider than the window: its right part is cut off.
    Image1 = Make<TImage>(this, "Image1", 0, 0, 600, 100);
    Image1->SetPicture(StoredPicture("Barra.jpg"));

    Gauge1 = Make<TGauge>(this, "Gauge1", 27, 42, 297, 25);
    Gauge1->SetMinValue(0);
    Gauge1->SetMaxValue(100);
    Gauge1->SetProgress(0);
    Gauge1->SetForeColor(Look().gaugeDone);
    Gauge1->SetBackColor(Look().gaugeRest);
    Gauge1->SetBorderStyle(bsSingle);
    Gauge1->SetShowText(false);
    // The caption is never seen; a screen reader says what the window is for.
    SetAccessibleName("Searching");
    Gauge1->SetAccessibleName("Search progress");
}

void TPBarra::Show() {
    TForm::Show();
}

void TPBarra::Repaint() {
    TForm::Repaint();
}

void TPBarra::SetProgress(int value) {
    Gauge1->SetProgress(value);
}

void TPBarra::AddProgress(int delta) {
    Gauge1->AddProgress(delta);
}

void TPBarra::Close() {
    TForm::Close();
}
