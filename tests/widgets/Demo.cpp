// A form with the layer's controls, to look at under a real display:
//   widgets_demo <seconds> <pictures dir>
// It shows flat buttons with glyphs, a grid with titles and indicator, the scroll bar, a gauge,
// labels over a background picture and, after a moment, a button's hint.
#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <cstdio>
#include <string>

#include "tests/store/TempDir.h"
#include "widgets/Buttons.h"
#include "widgets/DBGrid.h"
#include "widgets/Form.h"
#include "widgets/Gauge.h"
#include "widgets/HintWindow.h"
#include "widgets/Memo.h"
#include "widgets/Picture.h"
#include "widgets/ScrollBar.h"
#include "widgets/StdCtrls.h"
#include "widgets/Testing.h"

using namespace veloria::widgets;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Application().SetTitle("Veloria");
    Application().Initialize();
    const int seconds = argc > 1 ? std::stoi(argv[1]) : 5;
    const std::string pictures = argc > 2 ? argv[2] : "data/pictures";

    veloria::store::testing::TempDir dir;
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= 30; ++i) {
        rows.push_back({"T-" + std::to_string(i) + ".1", std::to_string(i),
                        "The sentence of row " + std::to_string(i) + ", as the grid shows it.",
                        "T"});
    }
    veloria::store::testing::WriteTable(dir.path(), "Texto_B.DB", rows);
    veloria::store::Table table("Texto_B.DB", "", dir.path());
    table.MoveTo(3);

    TForm form("Demo");
    form.SetCaption("Proyecto Veloria     ");
    form.SetClientSize(749, 477);
    form.SetBorderStyle(bsSingle);
    form.SetBorderIcons({biSystemMenu, biMinimize});
    form.SetPosition(poScreenCenter);
    form.SetShowHint(true);

    QImage background(760, 490, QImage::Format_RGB32);
    {
        QPainter p(&background);
        QLinearGradient g(0, 0, 760, 490);
        g.setColorAt(0, QColor(190, 215, 245));
        g.setColorAt(1, QColor(120, 160, 215));
        p.fillRect(background.rect(), g);
    }
    auto* image = new TImage(&form);
    image->SetBounds(0, 0, 760, 490);
    image->SetPicture(TPicture(background));

    auto* label = new TLabel(&form);
    label->SetBounds(150, 43, 10, 10);
    label->SetFont(TFont{"Times New Roman", 15, {fsBold}});
    label->SetTransparent(true);
    label->SetCaption("CHAPTER 1 - A transparent label over the background");

    auto* memo = new TMemo(&form);
    memo->SetBounds(150, 113, 493, 145);
    memo->SetFont(TFont{"Arial", 17});
    memo->SetReadOnly(true);
    memo->SetScrollBars(ssVertical);
    memo->SetText("The full sentence of the current row.\r\nA second line, after a CR LF.");

    const char* captions[] = {"&Search", "&Glossary", "&Bible R. ", "E&xit      "};
    const char* glyphs[] = {"search.png", "ok.png", "bible.png", "close.png"};
    TdxButton* first = nullptr;
    for (int i = 0; i < 4; ++i) {
        auto* b = new TdxButton(&form);
        b->SetBounds(26, 64 + 39 * i, 79, 24);
        b->SetCaption(captions[i]);
        b->SetHint("Search in Veloria");
        // The program's own glyphs, drawn for a denser screen as the program carries them.
        const QImage glyph(QString::fromStdString(pictures + "/" + glyphs[i]));
        if (!glyph.isNull())
            b->SetGlyph(TPicture(glyph, false));
        if (i == 2)
            b->SetEnabled(false);
        if (!first)
            first = b;
    }

    auto* grid = new TDBGrid(&form, table);
    grid->SetBounds(137, 269, 589, 175);
    grid->SetFont(TFont{"Times New Roman", 15});
    grid->SetColumns(
        {{"Referencia", "      Reference", 130, TFont{"Arial", 13}},
         {"Pensamiento", "                           Sentence", 0, TFont{"Arial", 13}}});
    grid->SetFixedColor(RGB(166, 202, 240));
    grid->SetTabOrder(0);

    auto* bar = new TScrollBar(&form, sbVertical);
    bar->SetBounds(706, 271, 18, 153);
    bar->SetParams(3, 1, 30);

    auto* gauge = new TGauge(&form);
    gauge->SetBounds(27, 452, 297, 18);
    gauge->SetForeColor(RGB(0, 0, 255));
    gauge->SetBackColor(RGB(255, 255, 255));
    gauge->SetShowText(false);
    gauge->SetProgress(60);

    auto* counter = new TLabel(&form);
    counter->SetBounds(340, 452, 300, 17);
    counter->SetFont(TFont{"Arial", 15});
    counter->SetTransparent(true);
    counter->SetCaption("3 / 30 References");

    // The search dialog's kind of controls, in a second form beside it.
    TForm dialog("Dialog");
    dialog.SetCaption("Search");
    dialog.SetClientSize(400, 230);
    dialog.SetColor(RGB(155, 205, 255));
    dialog.SetLeftTop(600, 20);
    dialog.SetFont(TFont{"Arial", 15});
    auto* word = new TEdit(&dialog);
    word->SetBounds(32, 36, 250, 25);
    word->SetCharCase(ecUpperCase);
    word->SetText("word");
    auto* box = new TGroupBox(&dialog);
    box->SetBounds(16, 75, 369, 98);
    box->SetCaption("Search in: ");
    const char* volumes[] = {"&Text", "&Workbook", "&Manual for Teachers"};
    for (int i = 0; i < 3; ++i) {
        auto* c = new TCheckBox(&dialog);
        c->SetBounds(32, 99 + 24 * i, 177, 17);
        c->SetCaption(volumes[i]);
        c->SetChecked(i != 1);
    }
    auto* radio = new TRadioButton(&dialog);
    radio->SetBounds(220, 99, 137, 17);
    radio->SetCaption("Any O&rder");
    radio->SetChecked(true);
    auto* radio2 = new TRadioButton(&dialog);
    radio2->SetBounds(220, 123, 146, 17);
    radio2->SetCaption("Exact P&hrase");
    auto* link = new TStaticText(&dialog);
    link->SetBounds(32, 185, 145, 20);
    link->SetFont(TFont{"Arial", 13, {}, RGB(0, 0, 255)});
    link->SetColor(RGB(236, 245, 255));
    link->SetCursor(crHandPoint);
    link->SetCaption("www.example.org");
    auto* bevel = new TBevel(&dialog);
    bevel->SetBounds(200, 180, 180, 40);
    auto* ok = new TdxButton(&dialog);
    ok->SetBounds(300, 36, 75, 24);
    ok->SetCaption("&Ok     ");
    ok->SetFont(TFont{"Arial", 13});

    form.OnActivate = [&] { form.HintWindow().SetArrowBackgroundColor(RGB(166, 202, 240)); };
    form.Show();
    grid->SetName("DBGrid1");
    memo->SetName("Memo1");
    if (TControl* focused = form.ActiveControl())
        std::fprintf(stderr, "focused: %s\n", focused->Name().c_str());
    dialog.Show();
    ok->SetFocus();
    QTimer::singleShot(400, [&] {
        QWidget* w = QApplication::focusWidget();
        std::fprintf(stderr, "qt focus: %s active: %p\n",
                     w ? w->objectName().toStdString().c_str() : "none",
                     static_cast<void*>(QApplication::activeWindow()));
    });
    QTimer::singleShot(500, [&] {
        testing::MouseMove(*first, QPoint(20, 10));
        testing::MouseMove(*first, QPoint(22, 12));
    });
    QTimer::singleShot(seconds * 1000, [] { QCoreApplication::quit(); });
    return QApplication::exec();
}
