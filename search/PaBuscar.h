#pragma once

#include <optional>

#include "store/Table.h"
#include "store/VolumeTables.h"
#include "study/StudyData.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"
#include "widgets/StdCtrls.h"

// The search dialog: the words to look for, the volumes to look in and the match mode. Ok runs
// the search, which closes the dialog; Cancel, Escape and the close box close it without one.
// The ticks and the mode stay from one opening to the next; the word box starts empty each time.
class TFBuscar : public veloria::widgets::TForm {
  public:
    TFBuscar();

    // The dialog's own handles, opened with it; the search writes through these.
    veloria::store::Table Texto_B{"Texto_B.DB"};
    veloria::store::VolumeTables Volumes;
    veloria::store::Table Configura{"Configura.db"};

    veloria::widgets::TLabel* Label1;
    veloria::widgets::TLabel* Label2;
    veloria::widgets::TEdit* Edit1;
    veloria::widgets::TdxButton* dxButton2;
    veloria::widgets::TdxButton* dxButton1;
    veloria::widgets::TGroupBox* GroupBox1;
    veloria::widgets::TCheckBox* ChTexto;
    veloria::widgets::TCheckBox* ChEjercicios;
    veloria::widgets::TCheckBox* ChMaestro;
    veloria::widgets::TCheckBox* ChPsico;
    veloria::widgets::TCheckBox* ChOracion;
    veloria::widgets::TGroupBox* GroupBox2;
    veloria::widgets::TRadioButton* ChPalabraOr;
    veloria::widgets::TRadioButton* ChFraseE;
    veloria::widgets::TCheckBox* ChPalabraEx;
    veloria::widgets::TButton* Button3;

    void FormActivate();
    void Edit1KeyPress(char& key);
    void dxButton2Click();
    void dxButton1Click();
    void Button3Click();
    void ChPalabraOrClick();
    void ChFraseEClick();

    // The search history, offered in the word box (Down): a search chosen there fills the box,
    // the mode and the volumes, and Ok runs it.
    void OfferHistory();
    void Apply(const veloria::study::SearchSpec& search);
    // A search to fill in at the next activation, after the box is cleared (a search run again
    // from the history list).
    void Offer(const veloria::study::SearchSpec& search) { offered_ = search; }

  private:
    std::optional<veloria::study::SearchSpec> offered_;
};

extern TFBuscar* FBuscar;
