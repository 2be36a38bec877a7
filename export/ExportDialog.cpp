#include "export/ExportDialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

#include "store/Error.h"
#include "study/BookmarkFile.h"
#include "widgets/Application.h"
#include "widgets/FileChoice.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/QtText.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;

namespace veloria::exporting {

namespace {

void PrintOn(const Takeout& takeout, QPrinter& printer) {
    QTextDocument document;
    document.setHtml(QString::fromStdString(
        Render(takeout.title, takeout.passages, Form::Html, takeout.withNotes)));
    document.print(&printer);
}

}  // namespace

void WriteFile(const Takeout& takeout, Form form, const std::filesystem::path& file) {
    study::WriteWholeFile(file, Render(takeout.title, takeout.passages, form, takeout.withNotes));
}

void WritePdf(const Takeout& takeout, const std::filesystem::path& file) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    printer.setOutputFileName(QString::fromStdString(file.string()));
    printer.setDocName(QStringLiteral("Veloria"));
    PrintOn(takeout, printer);
    if (!std::filesystem::exists(file))
        throw store::StoreError("The file " + file.string() + " could not be written.");
}

void ToClipboard(const Takeout& takeout) {
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(
        Render(takeout.title, takeout.passages, Form::Text, takeout.withNotes)));
    data->setHtml(QString::fromStdString(
        Render(takeout.title, takeout.passages, Form::Html, takeout.withNotes)));
    QGuiApplication::clipboard()->setMimeData(data);
}

ExportDialog::ExportDialog(std::string_view what, std::function<Takeout()> all, int allCount,
                           std::function<Takeout()> selection, int selectedCount)
    : TForm("ExportDialog"), all_(std::move(all)), selection_(std::move(selection)) {
    SetCaption("Export");
    SetClientSize(330, 250);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    SetShowHint(true);
    SetColor(Look().readingWindow);

    WhatLabel = widgets::Make<TLabel>(this, "WhatLabel", 16, 12, 298, 17);
    WhatLabel->SetAutoSize(false);
    WhatLabel->SetBounds(16, 12, 298, 17);
    WhatLabel->SetTransparent(true);
    WhatLabel->SetShowAccelChar(false);
    WhatLabel->SetCaption(std::string(what) + ": " + std::to_string(allCount));
    SelectionBox = widgets::Make<TCheckBox>(this, "SelectionBox", 16, 36, 298, 17, 0);
    SelectionBox->SetCaption("Only the selected &rows (" + std::to_string(selectedCount) + ")");
    SelectionBox->SetChecked(selection_ && selectedCount > 0);
    SelectionBox->SetEnabled(selection_ && selectedCount > 0);

    auto button = [this](const char* name, int left, int top, int tab, const ButtonFace& face,
                         std::function<void()> click) {
        return MakeFlatButton(this, {name, left, top, 140, 25, tab}, face, std::move(click));
    };
    ClipboardButton =
        button("ClipboardButton", 16, 70, 1,
               {"&Clipboard", "Copy as text, a sentence with its reference a line"}, [this] {
                   ToClipboard(Make());
                   Close();
               });
    PrintButton = button("PrintButton", 174, 70, 2, {"&Print...", "Print, or print to a file"},
                         [this] { Print(); });
    TextButton = button("TextButton", 16, 110, 3, {"&Text file...", "Save as plain text"},
                        [this] { Save(Form::Text, ".txt", "Text (*.txt)"); });
    HtmlButton = button("HtmlButton", 174, 110, 4, {"&HTML file...", "Save as a web page"},
                        [this] { Save(Form::Html, ".html", "Web page (*.html *.htm)"); });
    CsvButton = button("CsvButton", 16, 150, 5, {"C&SV file...", "Save for a spreadsheet"},
                       [this] { Save(Form::Csv, ".csv", "Comma-separated values (*.csv)"); });
    PdfButton = button("PdfButton", 174, 150, 6, {"P&DF file...", "Save as a PDF document"},
                       [this] { SavePdf(); });
    CancelButton =
        MakeFlatButton(this, {"CancelButton", 174, 206, 140, 25, 7},
                       {"Cancel", "Close without exporting", "cancel.png"}, [this] { Close(); });
    CancelButton->SetCancel(true);
}

Takeout ExportDialog::Make() const {
    return SelectionBox->Checked() && selection_ ? selection_() : all_();
}

void ExportDialog::Save(Form form, std::string_view ending, std::string_view filter) {
    const Takeout takeout = Make();
    const std::string name = takeout.fileName + std::string(ending);
    const std::filesystem::path file = ChooseFile({"Export", true, name, filter});
    if (file.empty())
        return;
    try {
        WriteFile(takeout, form, file);
        Close();
    } catch (const store::StoreError& e) {
        Application().MessageBox(e.what(), "Veloria");
    }
}

void ExportDialog::SavePdf() {
    const Takeout takeout = Make();
    const std::filesystem::path file =
        ChooseFile({"Export", true, takeout.fileName + ".pdf", "PDF document (*.pdf)"});
    if (file.empty())
        return;
    try {
        WritePdf(takeout, file);
        Close();
    } catch (const store::StoreError& e) {
        Application().MessageBox(e.what(), "Veloria");
    }
}

void ExportDialog::Print() {
    const Takeout takeout = Make();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Veloria"));
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintOn(takeout, printer);
    Close();
}

}  // namespace veloria::exporting
