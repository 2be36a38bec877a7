#pragma once

#include <QDate>
#include <QLocale>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "store/Table.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/Picture.h"
#include "widgets/StdCtrls.h"

// The tip of the day: one sentence of the tips table, drawn once per calendar day and remembered
// in the configuration table, with the program's credits and the link to its web page.
class TFFrase : public veloria::widgets::TForm {
  public:
    TFFrase();

    veloria::store::Table Frases{"Frases.DB", "NUMERO"};
    veloria::store::Table Configura{"Configura.DB"};
    // Opens the tables above as the window does, keeping them in `kept`: see TForm1::ReadAhead.
    static void ReadAhead(std::vector<std::shared_ptr<void>>& kept);
    // Decodes the window's pictures: see DecodeStoredAhead.
    static void DecodeAhead();

    veloria::widgets::TImage* Image2;
    veloria::widgets::TImage* Image1;
    veloria::widgets::TBevel* Bevel1;
    veloria::widgets::TImage* Image3;
    veloria::widgets::TMemo* Memo1;
    veloria::widgets::TRichEdit* RichEdit1;
    veloria::widgets::TStaticText* StaticText1;
    veloria::widgets::TdxButton* dxButton1;

    void FormActivate();
    void dxButton1Click();
    void StaticText1Click();
    // Chooses today's tip unless today already has one.
    void DailyTipDraw();

    // The tips the draw chooses from, numbered 1 to this.
    static constexpr int kTipCount = veloria::store::kTips;
    // The credits' heading line and the phrase underlined in them.
    static const char* const kCreditsHeading;
    static const char* const kFreeOfCharge;

    // Where the window takes the day, the short date format and its draws from. Tests replace
    // them; left empty, the system's clock and locale and a generator seeded from the clock at
    // each showing serve. The draw gives a number from 1 to kTipCount.
    static inline std::function<QDate()> Today;
    static inline std::function<QLocale()> DateLocale;
    static inline std::function<int()> DrawNumber;

  private:
    // Today's date as the configuration stores it: in the system's short date format.
    std::string TodayText() const;
    int Draw();

    std::mt19937 random_;
};

extern TFFrase* FFrase;
