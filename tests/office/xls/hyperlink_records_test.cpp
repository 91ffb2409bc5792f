#include "office/xls/hyperlink_records.h"
#include "office/xls/unicode_text.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::xls {
namespace {

TEST(HyperlinkLocations, DocumentPlacesBecomeExcelLocationsUnderTheWrittenNames) {
    Workbook wb;
    for (const char* name : {"Plain", "With space", "a/b", "It's", "AB12"}) {
        Sheet sheet;
        sheet.name = name;
        wb.sheets.push_back(sheet);
    }
    const std::vector<std::u16string> written{u"Plain", u"With space", u"a_b", u"It's", u"AB12"};
    const auto location = [&](const std::string& target) { return toUtf8(workbookLocation(target, wb, written)); };
    EXPECT_EQ(location("#Plain.A1"), "Plain!A1");
    EXPECT_EQ(location("#$Plain.$B$7"), "Plain!B7");
    EXPECT_EQ(location("#'With space'.C3"), "'With space'!C3");
    EXPECT_EQ(location("#'a/b'.D4"), "a_b!D4");                  // renamed sheet
    EXPECT_EQ(location("#'It''s'.E5"), "'It''s'!E5");            // quote doubled inside quotes
    EXPECT_EQ(location("#'Dotted.Name'.F6"), "'Dotted.Name'!F6");  // dot inside quotes is part of the name
    EXPECT_EQ(location("#AB12.A1"), "'AB12'!A1");                // would read as a cell
    EXPECT_EQ(location("#Ünïcode.A1"), "Ünïcode!A1");
    EXPECT_EQ(location("#MyRange"), "MyRange");                  // a named range stays a name
}

TEST(HyperlinkUrls, CharactersAUrlCannotHoldArePercentEncoded) {
    EXPECT_EQ(escapedUrl("mailto:a@example.com?subject=Monthly report"), "mailto:a@example.com?subject=Monthly%20report");
    EXPECT_EQ(escapedUrl("https://example.org/a?b=c&d=%20#top"), "https://example.org/a?b=c&d=%20#top") << "valid URLs stay as they are";
    EXPECT_EQ(escapedUrl("https://x.org/\"q\"<a>{b}|c\\d^e`f\tg"), "https://x.org/%22q%22%3Ca%3E%7Bb%7D%7Cc%5Cd%5Ee%60f%09g");
    EXPECT_EQ(escapedUrl("https://bücher.example/straße"), "https://bücher.example/straße") << "other characters are left to the reader";
}

}  // namespace
}  // namespace brindlemoor::office::xls
