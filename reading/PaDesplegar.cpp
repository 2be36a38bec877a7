#include "reading/PaDesplegar.h"

#include "app/uGlobal.h"
#include "widgets/Application.h"
#include "widgets/HintWindow.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/StoredPicture.h"
#include "widgets/TextMarks.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;

TFDesplegar* FDesplegar = nullptr;

TFDesplegar::TFDesplegar() : TForm("FDesplegar") {
    SetCaption("Paragraph");
    SetClientSize(654, 379);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    SetShowHint(true);
    OnActivate = [this] { FormActivate(); };

    Image1 = MakeBackground(this, "Image1", StoredPicture("Desplegar.jpg"));
    Memo1 = Make<TMemo>(this, "Memo1", 24, 12, 540, 348, 0);
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetFont({"Arial", 16});
    dxButton1 =
        MakeCopyButton(this, {"dxButton1", 574, 56, 72, 25, 1}, [this] { dxButton1Click(); });
    dxButton2 =
        MakeCloseButton(this, {"dxButton2", 574, 96, 72, 25, 2}, [this] { dxButton2Click(); });
}

void TFDesplegar::FormActivate() {
    SetColor(Look().readingWindow);
    HintWindow().SetArrowBackgroundColor(Look().fixedCells);
    const std::string shown = "     " + uGlobal::ParagraphText;
    Memo1->SetText(shown);
    // The current sentence set apart, and what the search found in it.
    const std::size_t start = 5 + uGlobal::ParagraphSentenceStart;
    const std::size_t length = uGlobal::ParagraphSentenceLength;
    if (length > 0 && start + length <= shown.size()) {
        const std::string_view sentence = std::string_view(shown).substr(start, length);
        std::vector<TTextMark> marks = {CurrentMark(int(start), int(length))};
        for (const TTextMark& m : MatchMarks(sentence, uGlobal::HitPatterns, int(start)))
            marks.push_back(m);
        Memo1->SetMarks(std::move(marks));
    }
    Memo1->SetFocus();
    // A long paragraph shows its current sentence without the reader's having to look for it.
    if (length > 0)
        Memo1->ScrollIntoView(int(start), int(length));
}

void TFDesplegar::dxButton1Click() {
    Clipboard().SetAsText(Memo1->SelLength() == 0 ? Memo1->Text() : Memo1->SelText());
}

void TFDesplegar::dxButton2Click() {
    Close();
}
