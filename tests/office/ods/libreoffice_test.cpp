// Documents written by LibreOffice itself at test time, from flat XML
// written here: what a real office suite writes must read as meant.
#include "package_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace brindlemoor::office::testing {
namespace {

bool haveLibreOffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

// Converts `source` with LibreOffice headless into `format` in the same folder.
std::filesystem::path convert(const TempDir& dir, const std::filesystem::path& source, const std::string& format) {
    const std::string command = "cd '" + dir.path().string() + "' && HOME='" + dir.path().string() +
                                "' timeout 180 soffice --headless --norestore -env:UserInstallation=file://" + dir.path().string() +
                                "/profile --convert-to " + format + " --outdir '" + dir.path().string() + "/out' '" +
                                source.string() + "' >/dev/null 2>&1";
    std::system(command.c_str());
    const std::string extension = format.substr(0, format.find(':'));
    return dir.path() / "out" / source.filename().replace_extension(extension);
}

class LibreOfficeMade : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
};

TEST_F(LibreOfficeMade, ValuesFormatsAndLookSurviveLibreOfficesOwnPackage) {
    TempDir dir;
    const auto source = dir.file("made.fods");
    writeText(source, std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document)") + kOdfNamespaces +
        R"( office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:font-face-decls><style:font-face style:name="DejaVu Serif" svg:font-family="'DejaVu Serif'"/></office:font-face-decls>
 <office:styles><style:style style:name="Default" style:family="table-cell"/></office:styles>
 <office:automatic-styles>
  <number:date-style style:name="N1"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
  <number:currency-style style:name="N2P0" style:volatile="true"><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/><number:text> </number:text><number:currency-symbol number:language="de" number:country="DE">€</number:currency-symbol></number:currency-style>
  <number:currency-style style:name="N2"><style:text-properties fo:color="#ff0000"/><number:text>-</number:text><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/><number:text> </number:text><number:currency-symbol number:language="de" number:country="DE">€</number:currency-symbol><style:map style:condition="value()&gt;=0" style:apply-style-name="N2P0"/></number:currency-style>
  <number:percentage-style style:name="N3"><number:number number:decimal-places="1" number:min-integer-digits="1"/><number:text>%</number:text></number:percentage-style>
  <style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="2in"/></style:style>
  <style:style style:name="ro1" style:family="table-row"><style:table-row-properties style:row-height="0.4in" style:use-optimal-row-height="false"/></style:style>
  <style:style style:name="ce1" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="N1"/>
  <style:style style:name="ce2" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="N2"/>
  <style:style style:name="ce3" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="N3"/>
  <style:style style:name="ce4" style:family="table-cell" style:parent-style-name="Default">
   <style:table-cell-properties fo:background-color="#ffcc00" fo:border="2.49pt solid #0000ff" style:text-align-source="fix" style:repeat-content="false"/>
   <style:paragraph-properties fo:text-align="center"/>
   <style:text-properties style:font-name="DejaVu Serif" fo:font-size="16pt" fo:font-weight="bold"/>
  </style:style>
 </office:automatic-styles>
 <office:body><office:spreadsheet>
  <table:table table:name="Made">
   <table:table-column table:style-name="co1" table:number-columns-repeated="2"/>
   <table:table-row table:style-name="ro1">
    <table:table-cell table:style-name="ce1" office:value-type="date" office:date-value="2024-02-29"/>
    <table:table-cell table:style-name="ce2" office:value-type="currency" office:currency="EUR" office:value="-1234.5"/>
    <table:table-cell table:style-name="ce3" office:value-type="percentage" office:value="0.125"/>
    <table:table-cell table:style-name="ce4" table:number-columns-spanned="2" table:number-rows-spanned="1" office:value-type="string"><text:p>Head</text:p></table:table-cell>
    <table:covered-table-cell/>
   </table:table-row>
   <table:table-row>
    <table:table-cell table:formula="of:=[.A1]+1" office:value-type="date" office:date-value="2024-03-01"/>
    <table:table-cell office:value-type="boolean" office:boolean-value="true"/>
    <table:table-cell office:value-type="string"><text:p>two</text:p><text:p>lines</text:p></table:table-cell>
   </table:table-row>
  </table:table>
  <table:table table:name="Second"><table:table-row><table:table-cell office:value-type="float" office:value="3"/></table:table-row></table:table>
 </office:spreadsheet></office:body></office:document>)");
    const auto ods = convert(dir, source, "ods");
    ASSERT_TRUE(std::filesystem::exists(ods)) << "LibreOffice did not convert the document";
    const Workbook book = read(ods);
    ASSERT_EQ(book.sheets.size(), 2u);
    const Sheet& sheet = book.sheets[0];
    EXPECT_EQ(sheet.name, "Made");
    EXPECT_EQ(book.sheets[1].name, "Second");

    const Cell* date = cellAt(sheet, 0, 0);
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->number, 45351);
    EXPECT_EQ(book.formats[date->format].numberFormat, "YYYY-MM-DD");
    const Cell* money = cellAt(sheet, 0, 1);
    EXPECT_EQ(money->number, -1234.5);
    EXPECT_EQ(book.formats[money->format].numberFormat, "#,##0.00 [$€-407];[Red]-#,##0.00 [$€-407]");
    const Cell* share = cellAt(sheet, 0, 2);
    EXPECT_EQ(share->number, 0.125);
    EXPECT_EQ(book.formats[share->format].numberFormat, "0.0%");
    const Cell* head = cellAt(sheet, 0, 3);
    EXPECT_EQ(textOf(book, *head), "Head");
    const CellFormat& look = book.formats[head->format];
    EXPECT_EQ(look.font.name, "DejaVu Serif");
    EXPECT_EQ(look.font.sizePt, 16);
    EXPECT_TRUE(look.font.bold);
    EXPECT_EQ(look.background, (Color{0xff, 0xcc, 0x00}));
    EXPECT_EQ(look.borders.top.style, BorderStyle::Thick);
    EXPECT_EQ(look.alignment.horizontal, HorizontalAlign::Center);
    ASSERT_EQ(sheet.merges.size(), 1u);
    EXPECT_EQ(sheet.merges[0].lastColumn, 4u);

    const Cell* next = cellAt(sheet, 1, 0);
    ASSERT_NE(next->formula, kNone);
    EXPECT_EQ(book.formulas[next->formula].text, "of:=[.A1]+1");
    EXPECT_EQ(next->number, 45352);
    EXPECT_EQ(cellAt(sheet, 1, 1)->type, CellType::Boolean);
    EXPECT_EQ(textOf(book, *cellAt(sheet, 1, 2)), "two\nlines");

    ASSERT_FALSE(sheet.columns.empty());
    EXPECT_NEAR(*sheet.columns[0].widthPt, 144, 0.5);
    EXPECT_NEAR(*sheet.rows[0].heightPt, 28.8, 0.5);
    EXPECT_TRUE(sheet.rows[0].customHeight);
}

// Rows of fields of a CSV file as LibreOffice writes it: quoted fields may
// hold separators, doubled quotes and line ends.
std::vector<std::vector<std::string>> readCsv(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            rows.back().push_back(std::move(field));
            field.clear();
            rows.emplace_back();
        } else if (c != '\r') {
            field += c;
        }
    }
    if (!field.empty()) rows.back().push_back(std::move(field));
    return rows;
}

// OpenOffice.org 1.x files from the corpus: every text LibreOffice shows on
// the first sheet is the text the reader found in that cell.
TEST_F(LibreOfficeMade, LegacyCorpusTextsAgreeWithLibreOffice) {
    const std::filesystem::path corpus = BRINDLEMOOR_CORPUS_DIR;
    const std::vector<std::string> files{
        "Corion__Spreadsheet-ReadSXC/t/t.sxc",
        "Tux__Spreadsheet-Read/files/test.sxc",
        "aspose-cells__Aspose.Cells-for-.NET/Examples/Data/01_SourceDirectory/SampleSXC.sxc",
        "blutsvente__MIX/test/results/bug20030516.sxc",
        "gabriel-vasile__mimetype/testdata/sxc.sxc",
    };
    if (!std::filesystem::exists(corpus / files[0])) GTEST_SKIP() << "no corpus at " << corpus;
    TempDir dir;
    std::string sources;
    for (std::size_t i = 0; i < files.size(); ++i) {
        // Distinct names, as several corpus files share one.
        const auto copy = dir.file("f" + std::to_string(i) + ".sxc");
        std::filesystem::copy_file(corpus / files[i], copy);
        sources += " '" + copy.string() + "'";
    }
    const std::string command = "cd '" + dir.path().string() + "' && HOME='" + dir.path().string() +
                                "' timeout 300 soffice --headless --norestore -env:UserInstallation=file://" + dir.path().string() +
                                "/profile --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' --outdir '" +
                                dir.path().string() + "/out'" + sources + " >/dev/null 2>&1";
    std::system(command.c_str());
    int compared = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        const auto csv = dir.path() / "out" / ("f" + std::to_string(i) + ".csv");
        ASSERT_TRUE(std::filesystem::exists(csv)) << "LibreOffice did not convert the file";
        const auto shown = readCsv(csv);
        const Workbook book = read(corpus / files[i]);
        for (const Row& row : book.sheets.at(0).rows) {
            for (const Cell& cell : row.cells) {
                if (cell.type != CellType::Text || row.index >= shown.size()) continue;
                const auto& fields = shown[row.index];
                const std::string expected = cell.column < fields.size() ? fields[cell.column] : std::string();
                EXPECT_EQ(book.strings.at(cell.text), expected) << "row " << row.index << " column " << cell.column;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 20);
}

}  // namespace
}  // namespace brindlemoor::office::testing
