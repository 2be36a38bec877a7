#include "tools/Csv.h"

#include <gtest/gtest.h>

#include <utility>

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
    // The line and the message of the error the text gives.
    auto errorOf = [](const std::string& text) -> std::pair<int, std::string> {
        try {
            ParseCsv(text);
        } catch (const CsvError& e) {
            return {e.line(), e.what()};
        }
        return {0, ""};
    };
    EXPECT_EQ(errorOf("a,b\n1,\"never\nclosed\n").first, 2);  // where the quote opened
    EXPECT_EQ(errorOf("a,b\n1,2\n\"x\"y,3\n").first, 3);      // text after the closing quote
    EXPECT_EQ(errorOf("a,b\n1,2\n3,4\nab\"c,5\n").first, 4);  // a quote inside a bare field
    EXPECT_NE(errorOf("a\n\"open").second.find("never closed"), std::string::npos);
    // A quote that closes a field early, lines after the field began, names both lines.
    EXPECT_EQ(errorOf("a,b\n1,\"a \"quoted\" word\non two lines\"\n"),
              std::make_pair(2, std::string("text after the closing quote of a field")));
    EXPECT_EQ(errorOf("a,b\n1,\"two\nlines, \"quoted\" within\"\n"),
              std::make_pair(3, std::string("text after the closing quote of a field opened on "
                                            "line 2")));
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

    // A first field beginning with U+FEFF, after the file's own mark: not a second mark.
    const Fields marked = {
        "\xEF\xBB\xBF"
        "Numero",
        "x"};
    text = "\xEF\xBB\xBF";
    AppendCsvRecord(text, marked);
    EXPECT_EQ(FieldsOf(ParseCsv(text)), std::vector<Fields>{marked});
}

TEST(Csv, TheReaderHandsOutOneRecordAtATimeAndKnowsACutFile) {
    const std::string text = "a,b\r\n\"x\ny\",2\r\n3,";
    CsvReader reader(text);
    CsvRecord record;
    std::vector<Fields> read;
    while (reader.Next(record))
        read.push_back(record.fields);
    EXPECT_EQ(read, (std::vector<Fields>{{"a", "b"}, {"x\ny", "2"}, {"3", ""}}));
    EXPECT_FALSE(reader.EndsWithLineBreak());
    EXPECT_TRUE(CsvReader("a\n").EndsWithLineBreak());
    EXPECT_TRUE(CsvReader("a\r").EndsWithLineBreak());
    EXPECT_TRUE(CsvReader("\xEF\xBB\xBF").EndsWithLineBreak());  // nothing to cut
}

TEST(Csv, AFieldPastTheLimitIsRefusedWhereverItStands) {
    auto refused = [](const std::string& text) {
        CsvReader reader(text, 8);
        CsvRecord record;
        try {
            while (reader.Next(record)) {
            }
        } catch (const CsvError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(refused("12345678,\"12345678\"\n"), "");
    EXPECT_NE(refused("123456789\n").find("more than 8 bytes"), std::string::npos);
    EXPECT_NE(refused("\"1234\"\"5678\"\n").find("more than 8 bytes"), std::string::npos);
    EXPECT_NE(refused("\"1234\r\n5678\"\n").find("more than 8 bytes"), std::string::npos);
}

TEST(Csv, WideEncodingsAreRecognisedByMarkOrByTheirZeros) {
    auto encoding = [](std::string_view text) {
        try {
            CsvReader reader(text);
        } catch (const CsvError& e) {
            EXPECT_EQ(e.line(), 0);
            return std::string(e.what());
        }
        return std::string("UTF-8");
    };
    using namespace std::string_literals;
    EXPECT_NE(encoding("\xFF\xFE"s).find("UTF-16 (little-endian)"), std::string::npos);
    EXPECT_NE(encoding("\xFE\xFF\0a"s).find("UTF-16 (big-endian)"), std::string::npos);
    EXPECT_NE(encoding("\xFF\xFE\0\0a\0\0\0"s).find("UTF-32 (little-endian)"), std::string::npos);
    EXPECT_NE(encoding("\0\0\xFE\xFF"s).find("UTF-32 (big-endian)"), std::string::npos);
    EXPECT_NE(encoding("a\0,\0"s).find("UTF-16 (little-endian)"), std::string::npos);
    EXPECT_NE(encoding("\0a\0,"s).find("UTF-16 (big-endian)"), std::string::npos);
    EXPECT_NE(encoding("a\0\0\0"s).find("UTF-32 (little-endian)"), std::string::npos);
    EXPECT_NE(encoding("\0\0\0a"s).find("UTF-32 (big-endian)"), std::string::npos);
    EXPECT_EQ(encoding("\xEF\xBB\xBF"
                       "a,b"),
              "UTF-8");
    EXPECT_EQ(encoding("\xC3\xA9,\xC3\xB1"), "UTF-8");
    EXPECT_EQ(encoding(""), "UTF-8");
}

}  // namespace
}  // namespace veloria::tools
