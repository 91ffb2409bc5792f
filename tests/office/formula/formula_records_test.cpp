// FORMULA, ARRAY and STRING records as the writer emits them for formula
// cells; expected bytes from the BIFF8 record layouts.
#include "hex.h"
#include "office/xls/formula_records.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::xls {
namespace {

struct Record {
    std::uint16_t id;
    std::vector<std::uint8_t> data;
};

std::vector<Record> records(const BiffStream& out)
{
    std::vector<Record> found;
    const auto& bytes = out.bytes();
    for (std::size_t at = 0; at + 4 <= bytes.size();) {
        std::uint16_t id = static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
        std::size_t length = static_cast<std::size_t>(bytes[at + 2] | bytes[at + 3] << 8);
        found.push_back({id, {bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                              bytes.begin() + static_cast<std::ptrdiff_t>(at + 4 + length)}});
        at += 4 + length;
    }
    return found;
}

// One sheet; each added formula cell stands in row `row`, column 0.
class FormulaCells : public testing::Test {
protected:
    FormulaCells()
    {
        book_.sheets.emplace_back();
        book_.sheets[0].name = "Sheet1";
    }

    Cell& add(RowIndex row, const std::string& text, CellType type, double number = 0)
    {
        Formula formula;
        formula.text = text;
        book_.formulas.push_back(formula);
        Cell cell;
        cell.type = type;
        cell.number = number;
        cell.formula = static_cast<std::uint32_t>(book_.formulas.size() - 1);
        Row r;
        r.index = row;
        r.cells = {cell};
        book_.sheets[0].rows.push_back(r);
        return book_.sheets[0].rows.back().cells.back();
    }

    // Writes the cell of `row` as the writer would, with XF 15.
    std::vector<Record> written(RowIndex row)
    {
        formula::WorkbookFormulas translated(book_, warnings_);
        SheetFormulas sheet(book_, 0, translated);
        BiffStream out;
        for (const Row& r : book_.sheets[0].rows)
            if (r.index == row)
                wrote_ = sheet.write(out, static_cast<std::uint16_t>(row), 0, 15, r.cells[0]);
        return records(out);
    }

    Workbook book_;
    Warnings warnings_;
    bool wrote_ = false;
};

TEST_F(FormulaCells, NumberResult)
{
    add(2, "of:=1+2", CellType::Number, 3);
    auto out = written(2);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].id, 0x0006);
    EXPECT_EQ(hexText(out[0].data),
              hexText(hexBytes("0200 0000 0F00 0000000000000840 0000 00000000 0700 1E0100 1E0200 03")));
}

TEST_F(FormulaCells, TextResultFollowsInAStringRecord)
{
    Cell& cell = add(0, "of:=\"a\"&\"b\"", CellType::Text);
    cell.text = book_.strings.intern("ab");
    auto out = written(0);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(hexText({out[0].data.begin() + 6, out[0].data.begin() + 14}), hexText(hexBytes("00 00 00 000000 FFFF")));
    EXPECT_EQ(out[1].id, 0x0207);
    EXPECT_EQ(hexText(out[1].data), hexText(hexBytes("0200 00 6162")));
}

TEST_F(FormulaCells, BooleanErrorAndEmptyResults)
{
    add(0, "of:=TRUE()", CellType::Boolean, 1);
    add(1, "of:=1/0", CellType::Error, 0x07);
    add(2, "of:=\"\"", CellType::Text);
    add(3, "of:=[.Z99]", CellType::Empty);
    const char* expected[] = {"01 00 01 000000 FFFF", "02 00 07 000000 FFFF", "03 00 00 000000 FFFF",
                              "03 00 00 000000 FFFF"};
    for (RowIndex row = 0; row < 4; ++row) {
        auto out = written(row);
        ASSERT_EQ(out.size(), 1u) << row;  // no STRING record for an empty text
        EXPECT_EQ(hexText({out[0].data.begin() + 6, out[0].data.begin() + 14}), hexText(hexBytes(expected[row])));
    }
}

TEST_F(FormulaCells, VolatileFormulasAreAlwaysCalculated)
{
    add(0, "of:=NOW()", CellType::Number, 45000);
    auto out = written(0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].data[14], 0x01);
}

TEST_F(FormulaCells, LongTextResultGoesOnInContinueRecords)
{
    // U+0101 needs two bytes: 4110 characters fill the first record, 4111
    // each CONTINUE after its flags byte, and characters are never split.
    std::u16string expected(10000, u'\u0101');
    Cell& cell = add(0, "of:=REPT(\"\xC4\x81\";10000)", CellType::Text);
    std::string utf8;
    for (int i = 0; i < 10000; ++i)
        utf8 += "\xC4\x81";
    cell.text = book_.strings.intern(utf8);
    auto out = written(0);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[1].id, 0x0207);
    EXPECT_EQ(out[2].id, 0x003C);
    EXPECT_EQ(out[3].id, 0x003C);
    EXPECT_EQ(out[1].data.size(), 2u + 1 + 4110 * 2);
    EXPECT_EQ(out[2].data.size(), 1u + 4111 * 2);
    EXPECT_EQ(out[3].data.size(), 1u + 1779 * 2);
    EXPECT_EQ(out[1].data[0] | out[1].data[1] << 8, 10000);
    std::u16string text;
    auto take = [&](const std::vector<std::uint8_t>& data, std::size_t from) {
        EXPECT_EQ(data[from], 0x01);
        for (std::size_t i = from + 1; i + 1 < data.size(); i += 2)
            text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    };
    take(out[1].data, 2);
    take(out[2].data, 0);
    take(out[3].data, 0);
    EXPECT_EQ(text, expected);
}

TEST_F(FormulaCells, MatrixFormulaCellsPointAtTheirFirstCell)
{
    Cell& anchor = add(0, "of:=TRANSPOSE({1|2})", CellType::Number, 1);
    book_.formulas.back().isArray = true;
    book_.formulas.back().arrayRange = {0, 0, 1, 0};
    (void)anchor;
    Row second;
    second.index = 1;
    Cell value;
    value.type = CellType::Number;
    value.number = 2;
    second.cells = {value};
    book_.sheets[0].rows.push_back(second);

    auto first = written(0);
    ASSERT_EQ(first.size(), 2u);
    // FORMULA: tExp to A1 (row 0, column 0); ARRAY over A1:A2 with the formula.
    EXPECT_EQ(hexText(first[0].data),
              hexText(hexBytes("0000 0000 0F00 000000000000F03F 0000 00000000 0500 01 0000 0000")));
    EXPECT_EQ(first[1].id, 0x0221);
    EXPECT_EQ(hexText(first[1].data),
              hexText(hexBytes("0000 0100 00 00 0000 00000000 0B00 60 00000000000000 61 5300 "
                               "00 0100 01 000000000000F03F 01 0000000000000040")));
    auto next = written(1);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(hexText(next[0].data),
              hexText(hexBytes("0100 0000 0F00 0000000000000040 0000 00000000 0500 01 0000 0000")));

    formula::WorkbookFormulas translated(book_, warnings_);
    SheetFormulas sheet(book_, 0, translated);
    EXPECT_TRUE(sheet.inMatrix(1, 0, 0));
    EXPECT_TRUE(sheet.inMatrix(0, 0, 5));
    EXPECT_FALSE(sheet.inMatrix(2, 0, 0));
    EXPECT_FALSE(sheet.inMatrix(0, 1, 3));
}

TEST_F(FormulaCells, UntranslatedFormulaWritesNothing)
{
    add(0, "of:=ROUND(1)", CellType::Number, 7);
    auto out = written(0);
    EXPECT_FALSE(wrote_);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_EQ(warnings_[0], "Sheet1!A1: formula kept as its value (function ROUND is given 1 arguments; Excel 97 takes 2)");
}

}  // namespace
}  // namespace brindlemoor::office::xls
