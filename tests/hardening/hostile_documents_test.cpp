// Documents built to hurt a reader: each one converts to a bounded, correct
// workbook or is refused with a clear message, and never leaves a file behind
// when refused.
#include "hostile_support.h"

#include "office/ods/xml_reader.h"

#include <random>

#include <cctype>
#include <cmath>
#include <cstring>
#include <set>

namespace brindlemoor::hardening {
namespace {

using testing::TempFolder;
using testing::spreadsheetContent;
using testing::writeOds;
using testing::writeZip;

const std::string kManifest = R"(<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">
 <manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>
 <manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>
</manifest:manifest>)";

class HostileDocuments : public ::testing::Test {
protected:
    Outcome convertTables(const std::string& tables) {
        writeOds(source(), tables);
        return convert(source(), target());
    }
    Outcome convertContent(const std::string& content) {
        writeZip(source(), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                            {"META-INF/manifest.xml", kManifest},
                            {"content.xml", content}});
        return convert(source(), target());
    }
    std::filesystem::path source() const { return folder / "hostile.ods"; }
    std::filesystem::path target() const { return folder / "hostile.xls"; }

    // The written workbook as xlrd sees it; skips when xlrd is missing.
    office::xls::test::ReadBack readTarget() {
        auto result = office::xls::test::readBack(target());
        return result;
    }
    TempFolder folder;
};

void expectRefused(const Outcome& outcome, const std::string& fragment) {
    ASSERT_TRUE(outcome.error.has_value()) << "expected a refusal mentioning: " << fragment;
    EXPECT_NE(outcome.error->find(fragment), std::string::npos) << *outcome.error;
    EXPECT_FALSE(outcome.targetExists);
}

TEST_F(HostileDocuments, EntityDefinitionsAndDocumentTypesAreRefused) {
    const std::string body = "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\">"
                             "<office:body><office:spreadsheet/></office:body></office:document-content>";
    // A billion laughs, an external entity and a parameter entity.
    expectRefused(convertContent(R"(<?xml version="1.0"?><!DOCTYPE d [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">)"
                                 R"(<!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">]>)" + body),
                  "entities");
    expectRefused(convertContent(R"(<?xml version="1.0"?><!DOCTYPE d [<!ENTITY x SYSTEM "file:///etc/passwd">]>)" + body),
                  "entities");
    expectRefused(convertContent(R"(<?xml version="1.0"?><!DOCTYPE d [<!ENTITY % p SYSTEM "http://example.invalid/x.dtd"> %p;]>)" + body),
                  "content.xml");
    // A document type of its own with no entity at all: attribute defaults
    // declared there would change the document, so it is refused as well.
    expectRefused(convertContent(R"(<?xml version="1.0"?><!DOCTYPE office:document-content [<!ATTLIST office:spreadsheet )"
                                 R"(table:structure-protected CDATA "true">]>)" + body),
                  "document type definition");
    expectRefused(convertContent(R"(<?xml version="1.0"?><!DOCTYPE d []>)" + body), "document type definition");
    // An external document type, as OpenOffice 1.x names one, is never loaded and does no harm.
    const std::string document = spreadsheetContent("<table:table table:name=\"T\"/>");
    const Outcome external = convertContent(R"(<?xml version="1.0"?><!DOCTYPE office:document-content PUBLIC )"
                                            R"("-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "office.dtd">)" +
                                            document.substr(document.find("?>") + 2));
    EXPECT_FALSE(external.error) << *external.error;
    EXPECT_TRUE(external.targetExists);
    // An entity used but never declared is not expanded either.
    const Outcome undeclared = convertContent(R"(<?xml version="1.0"?>)" + spreadsheetContent(
        "<table:table table:name=\"&undefined;\"/>"));
    EXPECT_TRUE(undeclared.error.has_value());
    EXPECT_FALSE(undeclared.targetExists);
}

std::string nested(const std::string& open, const std::string& close, int depth, const std::string& inner) {
    std::string xml;
    for (int i = 0; i < depth; ++i) xml += open;
    xml += inner;
    for (int i = 0; i < depth; ++i) xml += close;
    return xml;
}

std::string cellWithParagraph(const std::string& paragraph) {
    return "<table:table table:name=\"Deep\"><table:table-row><table:table-cell office:value-type=\"string\">"
           "<text:p>" + paragraph + "</text:p></table:table-cell></table:table-row></table:table>";
}

TEST_F(HostileDocuments, NestingThousandsOfLevelsDeepIsRefused) {
    for (const auto& [open, close] : {std::pair{"<text:span>", "</text:span>"}, {"<text:a>", "</text:a>"},
                                      {"<table:x>", "</table:x>"}}) {
        SCOPED_TRACE(open);
        expectRefused(convertTables(cellWithParagraph(nested(open, close, 200000, "deep"))), "nested more than 1000 levels");
    }
    expectRefused(convertTables("<table:table table:name=\"L\"><table:table-row><table:table-cell>" +
                                nested("<text:list><text:list-item>", "</text:list-item></text:list>", 5000, "<text:p>x</text:p>") +
                                "</table:table-cell></table:table-row></table:table>"),
                  "nested more than 1000 levels");
    expectRefused(convertTables(nested("<table:table-row-group>", "</table:table-row-group>", 3000, "")), "nested");
}

TEST_F(HostileDocuments, DeepButPlausibleNestingReads) {
    const Outcome outcome = convertTables(cellWithParagraph(nested("<text:span>", "</text:span>", 900, "deep")));
    ASSERT_FALSE(outcome.error) << *outcome.error;
    const auto back = readTarget();
    if (!back.available) GTEST_SKIP() << "xlrd missing";
    ASSERT_TRUE(back.ok) << back.errors;
    EXPECT_EQ(back.cells().at("0!0,0")[5], "deep");
}

// Letters from a fixed generator: they do not compress far, as real text does not.
std::string letters(std::size_t size, unsigned seed) {
    std::string text(size, 'A');
    std::minstd_rand random(seed);
    for (char& c : text) c = static_cast<char>('A' + random() % 26);
    return text;
}

TEST_F(HostileDocuments, AttributesOfManyMegabytesAreBounded) {
    // Values of a few megabytes are read and cut to what Excel holds.
    const std::string big = letters(3 << 20, 7);
    const Outcome outcome = convertTables("<table:table table:name=\"" + big + "\" table:style-name=\"" + big + "\">"
                                          "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"" +
                                          std::string(2 << 20, '9') + "\"/><table:table-cell office:value-type=\"string\" "
                                          "office:string-value=\"" + big + "\"/></table:table-row></table:table>");
    ASSERT_FALSE(outcome.error) << *outcome.error;
    const auto back = readTarget();
    if (!back.available) GTEST_SKIP() << "xlrd missing";
    ASSERT_TRUE(back.ok) << back.errors;
    const auto sheets = back.all("sheet");
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0][2], big.substr(0, 31)) << "sheet names are cut to what Excel allows";
    const auto cells = back.cells();
    EXPECT_EQ(cells.at("0!0,1")[5].size(), 32767u) << "texts are cut to Excel's cell limit";
}

TEST_F(HostileDocuments, ATagOfTensOfMegabytesIsRefusedWithoutBeingHeld) {
    const std::string huge = letters(24 << 20, 9);
    expectRefused(convertTables("<table:table table:name=\"" + huge + "\"/>"), "longer than 16 MiB");
    // Comments are markup too.
    expectRefused(convertTables("<!--" + huge + "--><table:table table:name=\"A\"/>"), "longer than 16 MiB");
}

TEST_F(HostileDocuments, LongTextIsHandedOnInPiecesAndStillReadWhole) {
    // Text between elements reaches the readers in bounded pieces...
    const std::string xml = spreadsheetContent("<table:table table:name=\"T\">" + std::string(6 << 20, ' ') +
                                               "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>" +
                                               letters(5 << 20, 11) + "</text:p></table:table-cell></table:table-row></table:table>");
    office::ods::XmlReader reader("content.xml", [&, at = std::size_t{0}](char* buffer, std::size_t size) mutable {
        const std::size_t n = std::min(size, xml.size() - at);
        std::memcpy(buffer, xml.data() + at, n);
        at += n;
        return n;
    });
    std::size_t pieces = 0, longest = 0, total = 0;
    for (office::ods::XmlEvent event; (event = reader.next()) != office::ods::XmlEvent::Eof;) {
        if (event != office::ods::XmlEvent::Text) continue;
        ++pieces;
        longest = std::max(longest, reader.text().size());
        total += reader.text().size();
    }
    EXPECT_EQ(total, std::size_t{11} << 20);
    EXPECT_GE(pieces, 11u);
    EXPECT_LE(longest, std::size_t{(1 << 20) + (64 << 10)});

    // ...and a cell's text made of many pieces is still read whole (then cut to Excel's limit).
    const std::string text = letters(3 << 20, 5);
    const Outcome outcome = convertTables("<table:table table:name=\"T\"><table:table-row><table:table-cell office:value-type=\"string\">"
                                          "<text:p>" + text + "</text:p></table:table-cell></table:table-row></table:table>");
    ASSERT_FALSE(outcome.error) << *outcome.error;
    const auto back = readTarget();
    if (!back.available) GTEST_SKIP() << "xlrd missing";
    ASSERT_TRUE(back.ok) << back.errors;
    EXPECT_EQ(back.cells().at("0!0,0")[5], text.substr(0, 32767));
}

TEST_F(HostileDocuments, RepeatCountsEverywhereStayRuns) {
    // 10^9 rows of 10^5 columns, hundreds of times over: read as runs, never
    // cell by cell. The filled cells are kept few so the workbook stays small.
    std::string tables;
    for (int sheet = 0; sheet < 8; ++sheet) {
        tables += "<table:table table:name=\"S" + std::to_string(sheet) + "\">"
                  "<table:table-column table:number-columns-repeated=\"100000\"/>"
                  "<table:table-column table:number-columns-repeated=\"1000000000\"/>"
                  "<table:table-row table:number-rows-repeated=\"3\">"
                  "<table:table-cell office:value-type=\"float\" office:value=\"1\" table:number-columns-repeated=\"100000\"/>"
                  "</table:table-row>";
        for (int row = 0; row < 40; ++row) {
            tables += "<table:table-row table:number-rows-repeated=\"1000000000\">"
                      "<table:table-cell table:number-columns-repeated=\"100000\"/>"
                      "<table:table-cell table:number-columns-repeated=\"1000000000\"/>"
                      "</table:table-row>";
        }
        tables += "</table:table>";
    }
    const Outcome outcome = convertTables(tables);
    ASSERT_FALSE(outcome.error) << *outcome.error;
    // Excel 97 holds 65536 x 256 cells a sheet: what lies beyond is reported.
    EXPECT_TRUE(mentions(outcome.warnings, "beyond Excel 97"));
    const auto back = readTarget();
    if (!back.available) GTEST_SKIP() << "xlrd missing";
    ASSERT_TRUE(back.ok) << back.errors;
    const auto sheets = back.all("sheet");
    ASSERT_EQ(sheets.size(), 8u);
    EXPECT_EQ(sheets[7][4], "3") << "rows";
    EXPECT_EQ(sheets[7][5], "256") << "columns";
    EXPECT_EQ(back.all("cell").size(), 8u * 3 * 256);
}

TEST_F(HostileDocuments, InvalidUtf8IsRefusedCleanly) {
    const Outcome outcome = convertTables("<table:table table:name=\"bad\xff\xfe\"><table:table-row><table:table-cell "
                                          "office:value-type=\"string\"><text:p>\xc3\x28 \xed\xa0\x80</text:p>"
                                          "</table:table-cell></table:table-row></table:table>");
    expectRefused(outcome, "content.xml");
}

TEST_F(HostileDocuments, ExtremeNumbersBecomeWhatExcelCanHold) {
    const Outcome outcome = convertTables(R"(<table:table table:name="N"><table:table-row>
        <table:table-cell office:value-type="float" office:value="1e999"><text:p>1E+999</text:p></table:table-cell>
        <table:table-cell office:value-type="float" office:value="-1e999"/>
        <table:table-cell office:value-type="float" office:value="nan"/>
        <table:table-cell office:value-type="float" office:value="-0"/>
        <table:table-cell office:value-type="float" office:value="4.9e-324"/>
        <table:table-cell office:value-type="float" office:value="inf"/>
        <table:table-cell office:value-type="percentage" office:value="NaN"/>
        <table:table-cell office:value-type="float" office:value="12abc"/>
        </table:table-row></table:table>)");
    ASSERT_FALSE(outcome.error) << *outcome.error;
    const auto back = readTarget();
    if (!back.available) GTEST_SKIP() << "xlrd missing";
    ASSERT_TRUE(back.ok) << back.errors;
    for (const auto& [where, line] : back.cells()) {
        if (line[4] != "number") continue;
        const double value = std::strtod(line[5].c_str(), nullptr);
        EXPECT_TRUE(std::isfinite(value)) << where << " holds " << line[5] << ": Excel has no infinities or NaN";
    }
    const auto cells = back.cells();
    ASSERT_TRUE(cells.count("0!0,0"));
    EXPECT_EQ(cells.at("0!0,0")[5], "1E+999") << "a value no number can hold keeps the text it shows";
    ASSERT_TRUE(cells.count("0!0,3"));
    EXPECT_EQ(std::strtod(cells.at("0!0,3")[5].c_str(), nullptr), 0.0);
}

TEST_F(HostileDocuments, DatesOutsideExcelsRangeKeepTheirExactSerial) {
    const Outcome outcome = convertTables(R"(<table:table table:name="D"><table:table-row>
        <table:table-cell office:value-type="date" office:date-value="1800-02-03"/>
        <table:table-cell office:value-type="date" office:date-value="1899-12-30T12:00:00"/>
        <table:table-cell office:value-type="date" office:date-value="12000-01-01"/>
        <table:table-cell office:value-type="date" office:date-value="-0044-03-15"/>
        <table:table-cell office:value-type="date" office:date-value="2024-13-45"/>
        <table:table-cell office:value-type="date" office:date-value="9999-12-31"/>
        </table:table-row></table:table>)");
    ASSERT_FALSE(outcome.error) << *outcome.error;
    const auto back = readTarget();
    if (!back.available) GTEST_SKIP() << "xlrd missing";
    ASSERT_TRUE(back.ok) << back.errors;
    const auto cells = back.cells();
    ASSERT_TRUE(cells.count("0!0,5"));
    EXPECT_EQ(std::strtod(cells.at("0!0,5")[5].c_str(), nullptr), 2958465.0) << "the last day Excel knows";
    // Serials of the 1899-12-30 day count, as LibreOffice and Gnumeric read
    // them back; Excel itself shows the ones outside its range as #####.
    const double expected[] = {-36489, 0.5, 3688951, -709956};
    for (int column = 0; column < 4; ++column) {
        const std::string where = "0!0," + std::to_string(column);
        ASSERT_TRUE(cells.count(where)) << where;
        EXPECT_EQ(std::strtod(cells.at(where)[5].c_str(), nullptr), expected[column]) << where;
    }
    ASSERT_TRUE(cells.count("0!0,4"));
    EXPECT_EQ(std::strtod(cells.at("0!0,4")[5].c_str(), nullptr), 0.0) << "an impossible date reads as 0, as office suites read it";
}

TEST_F(HostileDocuments, AWorkbookWithoutSheetsStillGivesAnOpenableFile) {
    const Outcome outcome = convertTables("");
    ASSERT_FALSE(outcome.error) << *outcome.error;
    const auto back = readTarget();
    if (!back.available) GTEST_SKIP() << "xlrd missing";
    ASSERT_TRUE(back.ok) << back.errors;
    EXPECT_EQ(back.all("sheet").size(), 1u);
}

TEST_F(HostileDocuments, DuplicateSheetNamesAreMadeUnique) {
    const Outcome outcome = convertTables(
        "<table:table table:name=\"Data\"/><table:table table:name=\"Data\"/><table:table table:name=\"DATA\"/>"
        "<table:table table:name=\"\"/><table:table table:name=\"" + std::string(40, 'x') + "1\"/>"
        "<table:table table:name=\"" + std::string(40, 'x') + "2\"/>");
    ASSERT_FALSE(outcome.error) << *outcome.error;
    const auto back = readTarget();
    if (!back.available) GTEST_SKIP() << "xlrd missing";
    ASSERT_TRUE(back.ok) << back.errors;
    std::set<std::string> folded;
    for (const auto& sheet : back.all("sheet")) {
        std::string name = sheet[2];
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(folded.insert(name).second) << "two sheets named " << sheet[2];
        EXPECT_LE(sheet[2].size(), 31u);
    }
    EXPECT_EQ(folded.size(), 6u);
}

TEST_F(HostileDocuments, DeeplyNestedFormulasDoNotExhaustTheStack) {
    std::string parens = "of:=" + std::string(1000, '(') + "1" + std::string(1000, ')');
    std::string calls = "of:=";
    for (int i = 0; i < 1000; ++i) calls += "SUM(";
    calls += "2";
    for (int i = 0; i < 1000; ++i) calls += ")";
    std::string unary = "of:=" + std::string(100000, '-') + "3";
    std::string chain = "of:=1";
    for (int i = 0; i < 100000; ++i) chain += "+1";
    std::string cells;
    for (const auto& [formula, value] : {std::pair{parens, "1"}, {calls, "2"}, {unary, "3"}, {chain, "100001"}}) {
        cells += "<table:table-cell table:formula=\"" + formula + "\" office:value-type=\"float\" office:value=\"" +
                 value + "\"/>";
    }
    const Outcome outcome = convertTables("<table:table table:name=\"F\"><table:table-row>" + cells +
                                          "</table:table-row></table:table>");
    ASSERT_FALSE(outcome.error) << *outcome.error;
    const auto back = readTarget();
    if (!back.available) GTEST_SKIP() << "xlrd missing";
    ASSERT_TRUE(back.ok) << back.errors;
    const auto cellsBack = back.cells();
    EXPECT_EQ(std::strtod(cellsBack.at("0!0,0")[5].c_str(), nullptr), 1.0) << "the cached result stays when the formula cannot be kept";
    EXPECT_EQ(std::strtod(cellsBack.at("0!0,1")[5].c_str(), nullptr), 2.0);
    EXPECT_EQ(std::strtod(cellsBack.at("0!0,2")[5].c_str(), nullptr), 3.0);
    EXPECT_EQ(std::strtod(cellsBack.at("0!0,3")[5].c_str(), nullptr), 100001.0);
}

}  // namespace
}  // namespace brindlemoor::hardening
