// CONDFMT and CF records: the fields a reader would silently misread when
// wrong (operator codes, formula sizes, which blocks are present, relative
// references, colours) and what cannot be written.
#include "office/xls/conditional_format_records.h"

#include "biff_records.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::xls {
namespace {

constexpr std::uint16_t kCondFmt = 0x01B0, kCf = 0x01B1;
constexpr std::uint32_t kFontBlock = 1u << 26, kBorderBlock = 1u << 28, kPatternBlock = 1u << 29;

const Color kRed{0xC0, 0x00, 0x00}, kYellow{0xFF, 0xFF, 0x00};

Workbook bookWith(std::vector<ConditionalFormat> formats) {
    Workbook book;
    Sheet first;
    first.name = "Data";
    first.conditionalFormats = std::move(formats);
    Sheet second;
    second.name = "Other";
    book.sheets = {first, second};
    return book;
}

ConditionalRule valueRule(ComparisonOperator op, std::string f1, std::string f2 = {}) {
    ConditionalRule rule;
    rule.comparison = op;
    rule.formula1 = std::move(f1);
    rule.formula2 = std::move(f2);
    return rule;
}

struct Written {
    Workbook book;
    Warnings warnings;
    StyleSheet styles;
    BiffStream out;
    std::vector<test::Record> records;

    explicit Written(std::vector<ConditionalFormat> formats) : book(bookWith(std::move(formats))), styles(book, warnings) {
        writeConditionalFormats(out, book, 0, styles, "Data", warnings);
        records = test::splitRecords(out.bytes());
    }
};

TEST(ConditionalFormatRecords, EachOperatorHasItsCodeAndBetweenCarriesBothBounds) {
    const std::vector<std::pair<ComparisonOperator, std::uint8_t>> codes{
        {ComparisonOperator::Between, 1}, {ComparisonOperator::NotBetween, 2}, {ComparisonOperator::Equal, 3},
        {ComparisonOperator::NotEqual, 4}, {ComparisonOperator::Greater, 5}, {ComparisonOperator::Less, 6},
        {ComparisonOperator::GreaterOrEqual, 7}, {ComparisonOperator::LessOrEqual, 8}};
    for (const auto& [op, code] : codes) {
        const bool two = op == ComparisonOperator::Between || op == ComparisonOperator::NotBetween;
        Written w({{{{1, 1, 4, 1}}, {valueRule(op, "1", two ? "300" : "")}}});
        ASSERT_EQ(w.records.size(), 2u);
        const test::Record& cf = w.records[1];
        EXPECT_EQ(cf.id, kCf);
        EXPECT_EQ(cf.data[0], 1) << "a comparison of the cell's value";
        EXPECT_EQ(cf.data[1], code);
        EXPECT_EQ(cf.u16(2), 3) << "tInt: 3 bytes";
        EXPECT_EQ(cf.u16(4), two ? 3 : 0);
        // No block: the flags, then the tokens.
        ASSERT_EQ(cf.data.size(), 12u + 3 + (two ? 3 : 0));
        EXPECT_EQ(cf.data[12], 0x1E);
        EXPECT_EQ(cf.u16(13), 1);
        if (two) EXPECT_EQ(cf.u16(16), 300);
    }
}

TEST(ConditionalFormatRecords, FlagsNameTheBlocksThatFollowAndWhatTheyChange) {
    ConditionalRule bold = valueRule(ComparisonOperator::Greater, "5");
    bold.format.bold = true;
    bold.format.fontColor = kRed;
    ConditionalRule filled = valueRule(ComparisonOperator::Less, "0");
    filled.format.fill = kYellow;
    ConditionalRule framed = valueRule(ComparisonOperator::Equal, "1");
    framed.format.bottom = BorderLine{BorderStyle::Double, kRed};
    Written w({{{{0, 0, 9, 0}}, {bold, filled, framed}}});
    ASSERT_EQ(w.records.size(), 4u);
    EXPECT_EQ(w.records[0].u16(0), 3) << "three CF records follow";

    const test::Record& font = w.records[1];
    EXPECT_EQ(font.u32(6) & (kFontBlock | kBorderBlock | kPatternBlock), kFontBlock);
    ASSERT_EQ(font.data.size(), 12u + 118 + 3);
    const std::size_t f = 12;
    EXPECT_EQ(font.u16(f + 72), 700) << "weight";
    EXPECT_EQ(font.u32(f + 88) & 0x02, 0u) << "posture and weight changed";
    EXPECT_EQ(font.u32(f + 88) & 0x80, 0x80u) << "strike-through left alone";
    EXPECT_EQ(font.u32(f + 100), 0u);
    EXPECT_EQ(font.u32(f + 96), 1u) << "underline left alone";
    EXPECT_EQ(w.styles.palette().entries()[font.u32(f + 80) - kFirstPaletteIndex], kRed) << "exact colour in the palette";

    const test::Record& fill = w.records[2];
    const std::uint32_t fillFlags = fill.u32(6);
    EXPECT_EQ(fillFlags & (kFontBlock | kBorderBlock | kPatternBlock), kPatternBlock);
    EXPECT_EQ(fillFlags & (7u << 16), 0u) << "pattern and both colours changed";
    ASSERT_EQ(fill.data.size(), 12u + 4 + 3);
    EXPECT_EQ(fill.u16(12) >> 10, 1) << "solid";
    const std::uint16_t colours = fill.u16(14);
    EXPECT_EQ(colours & 0x7F, (colours >> 7) & 0x7F) << "both colours are the fill";
    EXPECT_EQ(w.styles.palette().entries()[(colours & 0x7F) - kFirstPaletteIndex], kYellow);

    const test::Record& border = w.records[3];
    const std::uint32_t borderFlags = border.u32(6);
    EXPECT_EQ(borderFlags & (kFontBlock | kBorderBlock | kPatternBlock), kBorderBlock);
    EXPECT_EQ(borderFlags & (0xFu << 10), 0x7u << 10) << "only the bottom line changes";
    ASSERT_EQ(border.data.size(), 12u + 8 + 3);
    EXPECT_EQ((border.u32(12) >> 12) & 0xF, static_cast<std::uint32_t>(BorderStyle::Double));
    EXPECT_EQ(w.styles.palette().entries()[((border.u32(16) >> 7) & 0x7F) - kFirstPaletteIndex], kRed);
}

TEST(ConditionalFormatRecords, RelativeReferencesAreOffsetsFromTheBaseCell) {
    ConditionalRule rule;
    rule.isFormula = true;
    rule.formula1 = "[.$A2]>[.C$1]";
    rule.baseRow = 1;     // C2
    rule.baseColumn = 2;
    Written w({{{{1, 2, 9, 3}}, {rule}}});
    ASSERT_EQ(w.records.size(), 2u);
    const test::Record& cf = w.records[1];
    EXPECT_EQ(cf.data[0], 2) << "a formula rule";
    EXPECT_EQ(cf.data[1], 0);
    ASSERT_EQ(cf.u16(2), 11u) << "two tRefN and the operator";
    EXPECT_EQ(cf.u16(4), 0);
    const std::size_t t = 12;
    EXPECT_EQ(cf.data[t], 0x4C) << "tRefN, value class";
    EXPECT_EQ(cf.u16(t + 1), 0) << "same row as the base";
    EXPECT_EQ(cf.u16(t + 3), 0x8000) << "column A absolute, row relative";
    EXPECT_EQ(cf.data[t + 5], 0x4C);
    EXPECT_EQ(cf.u16(t + 6), 0) << "row 1 absolute";
    EXPECT_EQ(cf.u16(t + 8), 0x4000) << "column relative, no offset";
    EXPECT_EQ(cf.data[t + 10], 0x0D) << ">";

    ConditionalRule above = rule;
    above.formula1 = "[.B1]=1";  // one row up and one column left of C2
    Written up({{{{1, 2, 9, 3}}, {above}}});
    const test::Record& upCf = up.records[1];
    EXPECT_EQ(upCf.u16(13), 0xFFFF) << "row offset -1";
    EXPECT_EQ(upCf.u16(15), 0xC000 | 0x3FFF) << "column offset -1, both relative";
}

TEST(ConditionalFormatRecords, RangesAreCutToTheGridAndBoundedOnce) {
    Written w({{{{0, 1, 1048575, 1}, {3, 300, 5, 400}, {2, 4, 7, 6}}, {valueRule(ComparisonOperator::Equal, "1")}},
               {{{70000, 0, 70001, 0}}, {valueRule(ComparisonOperator::Equal, "2")}}});
    ASSERT_EQ(w.records.size(), 2u) << "the format wholly beyond the grid is not written";
    const test::Record& head = w.records[0];
    EXPECT_EQ(head.id, kCondFmt);
    EXPECT_EQ(head.u16(4), 0) << "bound: first row";
    EXPECT_EQ(head.u16(6), 65535) << "last row";
    EXPECT_EQ(head.u16(8), 1);
    EXPECT_EQ(head.u16(10), 6);
    ASSERT_EQ(head.u16(12), 2) << "ranges";
    EXPECT_EQ(head.u16(14 + 2), 65535);
    EXPECT_EQ(head.u16(22), 2);
    EXPECT_EQ(head.u16(26), 4);
    ASSERT_EQ(w.warnings.size(), 1u);
    EXPECT_NE(w.warnings[0].find("beyond Excel 97"), std::string::npos) << w.warnings[0];
}

TEST(ConditionalFormatRecords, ConditionsExcelCannotHoldAreWarnedAndTheRestKept) {
    ConditionalRule elsewhere;
    elsewhere.isFormula = true;
    elsewhere.formula1 = "[Other.A1]>0";
    ConditionalRule named = elsewhere;
    named.formula1 = "Limit>0";
    ConditionalRule area = elsewhere;
    area.formula1 = "[.A1:.B2]";
    const ConditionalRule plain = valueRule(ComparisonOperator::Greater, "[.B1]");
    Written w({{{{0, 0, 3, 0}}, {elsewhere, named, plain}}, {{{5, 0, 6, 0}}, {elsewhere}}, {{{7, 0, 7, 0}}, {area}}});
    ASSERT_EQ(w.records.size(), 2u);
    EXPECT_EQ(w.records[0].u16(0), 1) << "only the rule that can be written";
    EXPECT_EQ(w.records[1].data[1], 5);
    ASSERT_EQ(w.warnings.size(), 4u);
    for (const auto& warning : w.warnings) EXPECT_NE(warning.find("Sheet \"Data\""), std::string::npos) << warning;
}

}  // namespace
}  // namespace brindlemoor::office::xls
