#include "office/xls/excel_limits.h"
#include "office/xls/unicode_text.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::xls {
namespace {

std::vector<std::string> fitted(const std::vector<std::string>& names, Warnings* warnings = nullptr) {
    Warnings own;
    std::vector<std::string> out;
    for (const auto& name : fitSheetNames(names, warnings ? *warnings : own)) out.push_back(toUtf8(name));
    return out;
}

TEST(SheetNames, ValidNamesStayAsTheyAreWithoutWarnings) {
    Warnings warnings;
    EXPECT_EQ(fitted({"Sheet1", "Données 2024", "It's", "日本語"}, &warnings),
              (std::vector<std::string>{"Sheet1", "Données 2024", "It's", "日本語"}));
    EXPECT_TRUE(warnings.empty());
}

struct NameCase {
    std::vector<std::string> in;
    std::vector<std::string> out;
};

class SheetNameFixes : public testing::TestWithParam<NameCase> {};

TEST_P(SheetNameFixes, RenameAndWarn) {
    Warnings warnings;
    EXPECT_EQ(fitted(GetParam().in, &warnings), GetParam().out);
    EXPECT_FALSE(warnings.empty());
    for (const auto& name : fitted(GetParam().in)) {
        const auto units = toUtf16(name);
        EXPECT_GE(units.size(), 1u);
        EXPECT_LE(units.size(), kMaxSheetNameLength) << name;
        EXPECT_EQ(units.find_first_of(u"[]:*?/\\"), std::u16string::npos) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SheetNameFixes, testing::Values(
    NameCase{{"a/b\\c?d*e:f[g]h"}, {"a_b_c_d_e_f_g_h"}},
    NameCase{{"A name that is far longer than thirty-one characters"}, {"A name that is far longer than "}},
    NameCase{{""}, {"Sheet1"}},
    NameCase{{"x", ""}, {"x", "Sheet2"}},
    NameCase{{"'quoted'"}, {"quoted"}},
    NameCase{{"'"}, {"Sheet1"}},
    NameCase{{"Data", "DATA", "data"}, {"Data", "DATA (2)", "data (3)"}},
    NameCase{{"Ärger", "ärger"}, {"Ärger", "ärger (2)"}},
    NameCase{{"Отчёт", "ОТЧЁТ"}, {"Отчёт", "ОТЧЁТ (2)"}},
    // The suffix still fits in 31 characters.
    NameCase{{"Quarterly results for the year 2024", "Quarterly results for the year 2024!"},
             {"Quarterly results for the year ", "Quarterly results for the y (2)"}},
    // Cutting must not leave half a surrogate pair.
    NameCase{{std::string(30, 'a') + "\xF0\x9F\x98\x80"}, {std::string(30, 'a')}},
    NameCase{{"Sheet1", "Sheet1 (2)", "sheet1"}, {"Sheet1", "Sheet1 (2)", "sheet1 (3)"}}));

TEST(Utf16, DecodesAllPlanesAndReplacesMalformedInput) {
    EXPECT_EQ(toUtf16("aé€\xF0\x9F\x98\x80"), (std::u16string{u'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(toUtf16("a\xFF" "b"), u"a\uFFFDb");                 // invalid byte
    EXPECT_EQ(toUtf16("a\xC3"), u"a\uFFFD");                      // truncated sequence
    EXPECT_EQ(toUtf16("\xC0\xAF"), u"\uFFFD");                    // overlong "/"
    EXPECT_EQ(toUtf16("\xED\xA0\x80x"), u"\uFFFDx");              // encoded surrogate
    EXPECT_EQ(toUtf8(toUtf16("Grüße 日本 \xF0\x9F\x98\x80")), "Grüße 日本 \xF0\x9F\x98\x80");
}

TEST(Utf16, CuttingKeepsSurrogatePairsWhole) {
    const std::u16string text = u"ab\U0001F600c";
    EXPECT_EQ(cutUtf16(text, 3), u"ab");
    EXPECT_EQ(cutUtf16(text, 4), u"ab\U0001F600");
    EXPECT_EQ(cutUtf16(text, 10), text);
}

TEST(CellAddresses, NameColumnsLikeExcel) {
    EXPECT_EQ(cellAddress(0, 0), "A1");
    EXPECT_EQ(cellAddress(65535, 255), "IV65536");
    EXPECT_EQ(cellAddress(65536, 256), "IW65537");
    EXPECT_EQ(cellAddress(9, 26), "AA10");
    EXPECT_EQ(cellAddress(0, 1023), "AMJ1");
}

TEST(Merges, AreClippedToTheGridOrLeftOutWithAWarning) {
    Warnings warnings;
    const std::vector<CellRange> merges{
        {0, 0, 1, 1},               // fits
        {65530, 0, 70000, 2},       // clipped at the last row
        {10, 250, 12, 300},         // clipped at column IV
        {70000, 0, 70001, 1},       // starts below the grid
        {0, 255, 3, 400},           // clipped to a single column, still 4 rows
        {65535, 255, 65600, 300},   // clipped to one cell: nothing to merge
    };
    const auto fitted = fitMerges(merges, "S", warnings);
    ASSERT_EQ(fitted.size(), 4u);
    EXPECT_EQ(fitted[1].lastRow, kMaxRows - 1);
    EXPECT_EQ(fitted[2].lastColumn, kMaxColumns - 1);
    EXPECT_EQ(fitted[3].lastColumn, 255u);
    EXPECT_EQ(warnings.size(), 2u);
}

}  // namespace
}  // namespace brindlemoor::office::xls
