#pragma once

#include <filesystem>
#include <functional>

#include "export/Passages.h"
#include "widgets/Buttons.h"
#include "widgets/Form.h"
#include "widgets/StdCtrls.h"

// The export window a window opens over itself: what it shows (all of it, or the rows the user
// selected) taken to the clipboard, to a text, HTML, CSV or PDF file, or to the printer through
// the platform's print dialog. Each command does its work and closes the window; a file that
// cannot be written is said and the window stays.
namespace veloria::exporting {

// Writes a takeout: a file of the form, whole or not at all (throws store::StoreError); a PDF of
// A4 pages; the clipboard, as text with an HTML form beside it.
void WriteFile(const Takeout& takeout, Form form, const std::filesystem::path& file);
void WritePdf(const Takeout& takeout, const std::filesystem::path& file);
void ToClipboard(const Takeout& takeout);

class ExportDialog : public widgets::TForm {
  public:
    // `all` makes the takeout of everything; `selection`, when the user selected rows (count
    // above 0), of those alone, which the window then offers first.
    ExportDialog(std::string_view what, std::function<Takeout()> all, int allCount,
                 std::function<Takeout()> selection = {}, int selectedCount = 0);

    widgets::TLabel* WhatLabel;
    widgets::TCheckBox* SelectionBox;
    widgets::TdxButton* ClipboardButton;
    widgets::TdxButton* TextButton;
    widgets::TdxButton* HtmlButton;
    widgets::TdxButton* CsvButton;
    widgets::TdxButton* PdfButton;
    widgets::TdxButton* PrintButton;
    widgets::TdxButton* CancelButton;

  private:
    Takeout Make() const;
    void Save(Form form, std::string_view ending, std::string_view filter);
    void SavePdf();
    void Print();

    std::function<Takeout()> all_;
    std::function<Takeout()> selection_;
};

}  // namespace veloria::exporting
