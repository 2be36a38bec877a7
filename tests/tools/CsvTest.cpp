#include "tools/Csv.h"

#include <gtest/gtest.h>

namespace veloria::tools {
namespace {

using Fields = std::vector<std::string>;

std::vector<Fields> FieldsOf(const std::vector<CsvRecord>& records) {
    std::vector<Fields> out;
    for (const CsvRecord& r : records)
        out.push_back(r.fields);
    return out;
}

TEST(Csv, QuotedFieldsKeepCommasQuotesAndLineBreaks) {
    const auto records = ParseCsv(
        "a,b,c\r\n"
        "\"x, y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\n"
        "\"\",plain,\"lf\nonly\"\n"
        "last,row,here");
    EXPECT_EQ(FieldsOf(records), (std::vector<Fields>{{"a", "b", "c"},
                                                      {"x, y", "say \"hi\"", "two\r\nlines"},
                                                      {"", "plain", "lf\nonly"},
                                                      {"last", "row", "here"}}));
    // Each record's line is where it begins in the file, counting the breaks inside fields.
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].line, 1);
    EXPECT_EQ(records[1].line, 2);
    EXPECT_EQ(records[2].line, 4);
    EXPECT_EQ(records[3].line, 6);
}

TEST(Csv, LineEndingsByteOrderMarkEmptyLinesAndEmptyFields) {
    const auto records = ParseCsv("\xEF\xBB\xBFh1,h2\n\r\n1,\r2,x\r\n,\n\n");
    EXPECT_EQ(FieldsOf(records),
              (std::vector<Fields>{{"h1", "h2"}, {"1", ""}, {"2", "x"}, {"", ""}}));
    EXPECT_EQ(records[1].line, 3);
    EXPECT_EQ(records[2].line, 4);
    EXPECT_EQ(FieldsOf(ParseCsv("a,")), (std::vector<Fields>{{"a", ""}}));
    EXPECT_EQ(FieldsOf(ParseCsv(" spaced , kept ")), (std::vector<Fields>{{" spaced ", " kept "}}));
    EXPECT_TRUE(ParseCsv("").empty());
}

TEST(Csv, MalformedInputNamesTheLine) {
    auto lineOf = [](const std::string& text) {
        try {
            ParseCsv(text);
        } catch (const CsvError& e) {
            return e.line();
        }
        return 0;
    };
    EXPECT_EQ(lineOf("a,b\n1,\"never\nclosed\n"), 2);  // where the quote opened
    EXPECT_EQ(lineOf("a,b\n1,2\n\"x\"y,3\n"), 3);      // text after the closing quote
    EXPECT_EQ(lineOf("a,b\n1,2\n3,4\nab\"c,5\n"), 4);  // a quote inside a bare field
    try {
        ParseCsv("a\n\"open");
        FAIL();
    } catch (const CsvError& e) {
        EXPECT_NE(std::string(e.what()).find("never closed"), std::string::npos);
    }
}

TEST(Csv, WrittenRecordsReadBackUnchanged) {
    const std::vector<Fields> records = {
        {"Numero", "Umemo"},      {"1", " leading blank"},
        {"2", "trailing blank "}, {"3", "comma, \"quotes\" and\r\na line break"},
        {"", "lf\nalone"},        {"4", ""},
    };
    std::string text;
    for (const Fields& r : records)
        AppendCsvRecord(text, r);
    EXPECT_EQ(FieldsOf(ParseCsv(text)), records);
}

}  // namespace
}  // namespace veloria::tools
