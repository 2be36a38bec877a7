#include "tip/PaFrase.h"

#include <chrono>

#include "glossary/Markup.h"
#include "widgets/Application.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/QtText.h"
#include "widgets/StoredPicture.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;
using veloria::glossary::BoldColourAll;
using veloria::glossary::UnderlineAll;
using veloria::glossary::ZeroPad;

TFFrase* FFrase = nullptr;

const char* const TFFrase::kCreditsHeading = "*** Sources and acknowledgements ***";
const char* const TFFrase::kFreeOfCharge = "programa totalmente gratuito";

namespace {

constexpr const char* kWebAddress = "www.veloria.example.org";

// The window's pictures: background, banner and ornament.
constexpr std::string_view kBackground = "Frase.jpg";
constexpr std::string_view kBanner = "Banner.jpg";
constexpr std::string_view kOrnament = "Adorno.jpg";

// Twelve lines: the web address sits below them, over the foot of the box.
std::string Credits() {
    return std::string(
               "Veloria - a study tool for the five volumes of the work\r\n"
               "\r\n"
               "Veloria is free of charge, a ") +
           TFFrase::kFreeOfCharge +
           ": share it freely, never sell it.\r\n"
           "\r\n" +
           TFFrase::kCreditsHeading +
           "\r\n"
           "Bible: the verses come from the King James Version, in the public domain.\r\n"
           "Glossary: the explanations of terms were written for this program.\r\n"
           "Book texts: the five volumes here are a sample corpus made for the program.\r\n"
           "Program: written in C++ with Qt, SQLite and libjpeg, under their free licences.\r\n"
           "\r\n"
           "With thanks to everyone who sends a comment or a correction,\r\n"
           "The Veloria developers";
}

}  // namespace

void TFFrase::ReadAhead(std::vector<std::shared_ptr<void>>& kept) {
    kept.push_back(std::make_shared<veloria::store::Table>("Frases.DB", "NUMERO"));
    kept.push_back(std::make_shared<veloria::store::Table>("Configura.DB"));
}

void TFFrase::DecodeAhead() {
    DecodeStoredAhead({kBackground, kBanner, kOrnament});
}

TFFrase::TFFrase() : TForm("FFrase") {
    SetCaption("Tip of the Day");
    SetBorderStyle(bsSizeable);
    SetBorderIcons({biSystemMenu});
    SetClientSize(506, 487);
    SetPosition(poDesktopCenter);
    OnActivate = [this] { FormActivate(); };

    Image2 = Make<TImage>(this, "Image2", 0, 0, 553, 500);
    Image2->SetPicture(StoredPicture(kBackground));
    Image1 = Make<TImage>(this, "Image1", 16, 6, 473, 73);
    Image1->SetCenter(true);
    Image1->SetPicture(StoredPicture(kBanner));
    Bevel1 = Make<TBevel>(this, "Bevel1", 43, 7, 419, 70);
    Image3 = Make<TImage>(this, "Image3", 44, 76, 425, 105);
    Image3->SetPicture(StoredPicture(kOrnament));

    Memo1 = Make<TMemo>(this, "Memo1", 22, 83, 462, 157, 1);
    Memo1->SetColor(clWhite);
    Memo1->SetFont({"Arial", 17});
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(ssVertical);

    RichEdit1 = Make<TRichEdit>(this, "RichEdit1", 40, 245, 425, 196, 2);
    RichEdit1->SetColor(clWhite);
    RichEdit1->SetFont({"Arial", 11});
    RichEdit1->SetReadOnly(true);
    RichEdit1->SetAnchors({akLeft, akTop, akRight});
    RichEdit1->SetText(Credits());
    RichEdit1->SetAccessibleName("Credits");

    // Shown over the foot of the credits, like a line of their own.
    StaticText1 = Make<TStaticText>(this, "StaticText1", 183, 418, 145, 20);
    StaticText1->SetAutoSize(false);
    StaticText1->SetBounds(183, 418, 145, 20);
    StaticText1->SetTabOrder(3);
    StaticText1->SetAlignment(taCenter);
    StaticText1->SetShowAccelChar(false);
    StaticText1->SetFont({"Arial", 13, {}, clBlue});
    StaticText1->SetColor(clWhite);
    StaticText1->SetCursor(crHandPoint);
    StaticText1->SetCaption(kWebAddress);
    StaticText1->OnClick = [this] { StaticText1Click(); };

    dxButton1 = MakeFlatButton(this, {"dxButton1", 213, 455, 81, 25, 0}, {"&OK", "", "ok.png"},
                               [this] { dxButton1Click(); });
    dxButton1->SetCancel(true);
}

void TFFrase::FormActivate() {
    UnderlineAll(*RichEdit1, kFreeOfCharge);
    BoldColourAll(*RichEdit1, kCreditsHeading);
    RichEdit1->SetSelStart(3);
    RichEdit1->SetColor(Look().credits);
    StaticText1->SetColor(Look().credits);
    random_.seed(std::uint32_t(std::chrono::system_clock::now().time_since_epoch().count()));
    DailyTipDraw();
    if (Frases.FindKey(Configura.FieldAsString("BNumero")))
        Memo1->SetText(Frases.FieldAsString("Umemo"));
}

void TFFrase::DailyTipDraw() {
    Configura.First();
    const std::string fecha = Configura.FieldAsString("Fecha");
    const std::string today = TodayText();
    if (fecha == today)
        return;
    Configura.Edit();
    const int n = Draw();
    Configura.SetField("BNumero", ZeroPad(std::to_string(n), 3));
    Configura.SetField("Fecha", today);
    Configura.Post();
}

void TFFrase::dxButton1Click() {
    Close();
}

void TFFrase::StaticText1Click() {
    ShellOpen(StaticText1->Caption());
}

std::string TFFrase::TodayText() const {
    const QDate today = Today ? Today() : QDate::currentDate();
    const QLocale locale = DateLocale ? DateLocale() : QLocale::system();
    return FromQString(locale.toString(today, QLocale::ShortFormat));
}

int TFFrase::Draw() {
    if (DrawNumber)
        return DrawNumber();
    return std::uniform_int_distribution<int>(0, kTipCount - 1)(random_) + 1;
}
