// The hits and the bookmarks taken out of the program, each form read back as its reader would:
// the clipboard and plain text, CSV by a CSV reader, HTML by Qt's parser, a PDF by poppler-utils.
//
// The hits are the Text's sentences 2 (T-1.2, chapter One, section A) and 6 ("Sixth, the last of
// the volume.", T-2.2, chapter Two, section B) and the Workbook's one (W-1, Lesson 1, Part 1).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTextDocument>
#include <cstdio>

#include "export/ExportDialog.h"
#include "study/BookmarkFile.h"
#include "tests/reading/ProgramFixture.h"
#include "tests/reading/WhenShowing.h"
#include "tools/Csv.h"
#include "widgets/FileChoice.h"

namespace veloria::test {
namespace {

using exporting::ExportDialog;

// The output of a command line.
std::string Output(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

class ExportTest : public ProgramTest {
  protected:
    ExportTest() {
        SetHits({{"T", "2"}, {"T", "6"}, {"E", "1"}});
        Start();
        widgets::SetFileChooser([this](const widgets::FileQuestion& q) {
            offered_ = std::string(q.name);
            return std::filesystem::current_path() / offered_;
        });
    }
    ~ExportTest() override { widgets::SetFileChooser({}); }

    // Alt+E in the main window (or another command), then the action on the export window; the
    // file written, if any.
    std::string Export(
        std::function<void(ExportDialog&)> action, std::function<void()> command = [] {
            widgets::testing::KeyClick(*Form1, Qt::Key_E, Qt::AltModifier);
        }) {
        WhenShowing<ExportDialog>(std::move(action));
        command();
        return offered_.empty() ? std::string() : study::ReadWholeFile(offered_);
    }

    std::string offered_;
};

TEST_F(ExportTest, TextAndClipboardCarryTheSearchAndHeadingsWhereTheyChange) {
    const std::string text = Export([](ExportDialog& d) { d.TextButton->Click(); });
    EXPECT_EQ(offered_, "veloria-search.txt");
    EXPECT_EQ(text,
              "Search: \nMode: Any order\nVolumes: \nHits: 3\n"
              "\nText\n\nChapter One - Section A\nSecond sentence. (T-1.2)\n"
              "\nChapter Two - Section B\nSixth, the last of the volume. (T-2.2)\n"
              "\nWorkbook\n\nLesson 1 - Part 1\nA workbook lesson. (W-1)\n");
    offered_.clear();
    Export([](ExportDialog& d) { d.ClipboardButton->Click(); });
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), text);
}

TEST_F(ExportTest, TheHitsPickedWithShiftGoOutAloneAndAPlainMovePicksNoneAgain) {
    Form1->DBGrid1->SetFocus();
    widgets::testing::KeyClick(*Form1, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Form1->DBGrid1->SelectedRows(), (std::vector<int>{1, 2}));
    const std::string text = Export([](ExportDialog& d) {
        EXPECT_TRUE(d.SelectionBox->Checked());
        d.TextButton->Click();
    });
    EXPECT_NE(text.find("Hits: 3\nExported: the 2 hits selected\n"), std::string::npos);
    EXPECT_NE(text.find("(T-2.2)"), std::string::npos);
    EXPECT_EQ(text.find("Workbook"), std::string::npos);

    widgets::testing::KeyClick(*Form1, Qt::Key_Up);
    EXPECT_TRUE(Form1->DBGrid1->SelectedRows().empty());
    offered_.clear();
    Export([](ExportDialog& d) {
        EXPECT_FALSE(d.SelectionBox->Enabled());
        d.Close();
    });
}

TEST_F(ExportTest, CsvReadsBackAsRecordsOfEqualWidthWithTheCommaKeptInItsField) {
    const std::string csv = Export([](ExportDialog& d) { d.CsvButton->Click(); });
    tools::CsvReader reader(csv);
    std::vector<std::vector<std::string>> records;
    for (tools::CsvRecord r; reader.Next(r);)
        records.push_back(r.fields);
    ASSERT_EQ(records.size(), 8u);
    for (const auto& r : records)
        EXPECT_EQ(r.size(), 4u);
    EXPECT_EQ(records[3][0], "Hits: 3");
    EXPECT_EQ(records[4], (std::vector<std::string>{"Volume", "Heading", "Reference", "Sentence"}));
    EXPECT_EQ(records[6], (std::vector<std::string>{"Text", "Chapter Two - Section B", "T-2.2",
                                                    "Sixth, the last of the volume."}));
    EXPECT_NE(csv.find("\r\n"), std::string::npos);
}

TEST_F(ExportTest, HtmlParsesIntoTheHeadingsAndSentencesAndEscapesMarkup) {
    // A note with markup in it, exported with the bookmarks.
    study::Study()->SetNote(study::Study()->AddBookmark({'T', 2}, "T-1.2").id,
                            "<b>caf\xC3\xA9</b> & more");
    notes::Bookmarks->Open();
    const std::string html = Export([](ExportDialog& d) { d.HtmlButton->Click(); },
                                    [] { notes::Bookmarks->PrintButton->Click(); });
    EXPECT_EQ(offered_, "veloria-bookmarks.html");
    QTextDocument document;
    document.setHtml(QString::fromStdString(html));
    EXPECT_EQ(document.toPlainText().trimmed().toStdString(),
              "Bookmarks: 1\nText\nChapter One - Section A\nSecond sentence. (T-1.2)\n"
              "<b>caf\xC3\xA9</b> & more");
}

TEST_F(ExportTest, TheReadingWindowsSectionGoesOutWholeFromItsFirstSentence) {
    ASSERT_TRUE(reader::Reader->OpenAt({'T', 3}));
    const std::string text = Export([](ExportDialog& d) { d.TextButton->Click(); },
                                    [] { reader::Reader->ExportButton->Click(); });
    EXPECT_EQ(offered_, "veloria-section.txt");
    EXPECT_EQ(text,
              "Text: Chapter One - Section A\nSentences: 4\n\nText\n\nChapter One - Section A\n"
              "First sentence of the text. (T-1.1)\nSecond sentence. (T-1.2)\n"
              "  Third sentence.   (T-1.3)\nFourth. (T-1.4)\n");
}

TEST_F(ExportTest, APdfHasItsPagesAndText) {
    const std::string pdf = Export([](ExportDialog& d) { d.PdfButton->Click(); });
    ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
    const std::string info = Output("pdfinfo '" + offered_ + "'");
    const std::size_t pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(pages + 6)), 1);
    const std::string text = Output("pdftotext -layout '" + offered_ + "' -");
    for (const char* part : {"Hits: 3", "Chapter Two - Section B", "Sixth, the last of the volume.",
                             "(T-2.2)", "Workbook"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace veloria::test
