// What a file is, decided by its content: packages with the quirks real
// files have, flat XML, the 1.x format, and everything that is not a
// spreadsheet or cannot be read.
#include "office/model/conversion_error.h"
#include "office/ods/package.h"
#include "office/ods/reader.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

namespace brindlemoor::office::testing {
namespace {

const std::string kBody = R"(<table:table table:name="S"><table:table-row><table:table-cell office:value-type="float" office:value="42"/></table:table-row></table:table>)";

std::string textContent() {
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document-content)") + kOdfNamespaces +
           R"(><office:body><office:text><text:p>Dear reader</text:p></office:text></office:body></office:document-content>)";
}

class DocumentKinds : public ::testing::Test {
protected:
    double firstValue(const std::filesystem::path& file) {
        const Workbook book = read(file);
        const Cell* cell = cellAt(book.sheets.at(0), 0, 0);
        return cell ? cell->number : -1;
    }
    TempDir dir;
};

TEST_F(DocumentKinds, PackagesWithRealWorldQuirksStillRead) {
    const std::string content = contentXml("", kBody);
    const auto noMimetype = dir.file("a.ods");
    writeZip(noMimetype, {{"content.xml", content}});
    EXPECT_EQ(firstValue(noMimetype), 42);

    const auto compressedLast = dir.file("b.ods");
    writeZip(compressedLast, {{"content.xml", content}, {"mimetype", "application/vnd.oasis.opendocument.spreadsheet", true}});
    EXPECT_EQ(firstValue(compressedLast), 42);

    const auto misspelledManifest = dir.file("c.ods");
    writeZip(misspelledManifest, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                                  {"MIME-INF/manifest.xml", "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\"/>"},
                                  {"content.xml", content}});
    EXPECT_EQ(firstValue(misspelledManifest), 42);

    const auto odfUnderOldName = dir.file("e.sxc");  // an OpenDocument file under a 1.x name
    writeZip(odfUnderOldName, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false}, {"content.xml", content}});
    EXPECT_EQ(firstValue(odfUnderOldName), 42);

    const auto template_ = dir.file("d.xls");  // the name says nothing
    writeZip(template_, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet-template", false}, {"content.xml", content}});
    EXPECT_EQ(firstValue(template_), 42);
}

TEST_F(DocumentKinds, FlatDocumentsReadThroughTheSamePath) {
    const auto file = dir.file("flat.ods");  // a flat document under a package's name
    writeText(file, std::string("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document") + kOdfNamespaces +
                        R"( office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
          <office:meta><dc:title>Flat</dc:title></office:meta>
          <office:styles><number:number-style style:name="N2"><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:number-style></office:styles>
          <office:automatic-styles><style:style style:name="ce1" style:family="table-cell" style:data-style-name="N2"/></office:automatic-styles>
          <office:body><office:spreadsheet><table:table table:name="S"><table:table-row>
            <table:table-cell table:style-name="ce1" office:value-type="float" office:value="42"/>
          </table:table-row></table:table></office:spreadsheet></office:body></office:document>)");
    const Workbook book = read(file);
    EXPECT_EQ(book.properties.title, "Flat");
    const Cell* cell = cellAt(book.sheets[0], 0, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->number, 42);
    EXPECT_EQ(book.formats[cell->format].numberFormat, "0.00");
}

// Written by hand after the OpenOffice.org 1.0 file format: value attributes
// in the table vocabulary, all properties in one style:properties element,
// tables straight in the body, the 1.x namespace URIs.
TEST_F(DocumentKinds, OpenOffice1SpreadsheetsMapOntoTheSameModel) {
    const std::string content = R"x(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE office:document-content PUBLIC "-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "office.dtd">
<office:document-content xmlns:office="http://openoffice.org/2000/office" xmlns:style="http://openoffice.org/2000/style"
  xmlns:text="http://openoffice.org/2000/text" xmlns:table="http://openoffice.org/2000/table"
  xmlns:number="http://openoffice.org/2000/datastyle" xmlns:fo="http://www.w3.org/1999/XSL/Format" office:class="spreadsheet" office:version="1.0">
 <office:font-decls><style:font-decl style:name="Albany" fo:font-family="Albany" style:font-family-generic="swiss"/></office:font-decls>
 <office:automatic-styles>
  <number:date-style style:name="N37"><number:day number:style="long"/><number:text>.</number:text><number:month number:style="long"/><number:text>.</number:text><number:year number:style="long"/></number:date-style>
  <style:style style:name="ce1" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="N37">
   <style:properties style:font-name="Albany" fo:vertical-align="middle" fo:font-weight="bold" fo:background-color="#c0c0c0" style:text-underline="single" style:text-crossing-out="single-line"/>
  </style:style>
  <style:style style:name="co1" style:family="table-column"><style:properties style:column-width="2.267cm"/></style:style>
 </office:automatic-styles>
 <office:body>
  <table:table table:name="Alt"><table:table-column table:style-name="co1"/>
   <table:table-row>
    <table:table-cell table:value-type="float" table:value="12.5"><text:p>12.5</text:p></table:table-cell>
    <table:table-cell table:style-name="ce1" table:value-type="date" table:date-value="2003-07-17"><text:p>17.07.2003</text:p></table:table-cell>
    <table:table-cell table:formula="=SUM([.A1:.A1])" table:value-type="float" table:value="12.5"><text:p>12.5</text:p></table:table-cell>
    <table:table-cell table:value-type="boolean" table:boolean-value="true"><text:p>TRUE</text:p></table:table-cell>
    <table:table-cell table:value-type="string" table:string-value="kept"><text:p>kept</text:p></table:table-cell>
    <table:table-cell><office:annotation office:author="HMB" office:create-date="2005-05-12"><text:p>old note</text:p></office:annotation></table:table-cell>
   </table:table-row>
  </table:table>
 </office:body>
</office:document-content>)x";
    const std::string settings = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE office:document-settings PUBLIC "-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "office.dtd">
<office:document-settings xmlns:office="http://openoffice.org/2000/office" xmlns:config="http://openoffice.org/2001/config"><office:settings>
 <config:config-item-set config:name="view-settings"><config:config-item-map-indexed config:name="Views"><config:config-item-map-entry>
  <config:config-item-map-named config:name="Tables"><config:config-item-map-entry config:name="Alt">
   <config:config-item config:name="VerticalSplitMode" config:type="short">2</config:config-item>
   <config:config-item config:name="VerticalSplitPosition" config:type="int">1</config:config-item>
  </config:config-item-map-entry></config:config-item-map-named>
 </config:config-item-map-entry></config:config-item-map-indexed></config:config-item-set>
</office:settings></office:document-settings>)";
    const auto file = dir.file("old.ods");  // content decides, not the extension
    writeZip(file, {{"mimetype", "application/vnd.sun.xml.calc", false}, {"content.xml", content}, {"settings.xml", settings}});
    const Workbook book = read(file);
    ASSERT_EQ(book.sheets.size(), 1u);
    const Sheet& sheet = book.sheets[0];
    EXPECT_EQ(sheet.name, "Alt");
    EXPECT_EQ(cellAt(sheet, 0, 0)->number, 12.5);
    const Cell* date = cellAt(sheet, 0, 1);
    EXPECT_EQ(date->number, 37819);
    const CellFormat& look = book.formats[date->format];
    EXPECT_EQ(look.numberFormat, "DD.MM.YYYY");
    EXPECT_EQ(look.font.name, "Albany");
    EXPECT_TRUE(look.font.bold);
    EXPECT_EQ(look.alignment.vertical, VerticalAlign::Center);
    EXPECT_EQ(look.font.underline, Underline::Single);
    EXPECT_TRUE(look.font.strikeout);
    EXPECT_EQ(look.background, (Color{0xc0, 0xc0, 0xc0}));
    EXPECT_EQ(book.formulas.at(cellAt(sheet, 0, 2)->formula).text, "=SUM([.A1:.A1])");
    EXPECT_EQ(cellAt(sheet, 0, 3)->type, CellType::Boolean);
    EXPECT_EQ(textOf(book, *cellAt(sheet, 0, 4)), "kept");
    const Annotation& note = sheet.annotations.at(cellAt(sheet, 0, 5)->annotation);
    EXPECT_EQ(note.author, "HMB");
    EXPECT_EQ(note.text, "old note");
    EXPECT_NEAR(*sheet.columns.at(0).widthPt, 64.26, 0.01);
    EXPECT_EQ(sheet.view.frozenRows, 1u);
}

TEST_F(DocumentKinds, TextDocumentsAreNotSpreadsheets) {
    const auto byMimetype = dir.file("letter.ods");
    writeZip(byMimetype, {{"mimetype", "application/vnd.oasis.opendocument.text", false}, {"content.xml", textContent()}});
    EXPECT_EQ(readFailure(byMimetype), "letter.ods: not a spreadsheet (it is an OpenDocument text document)");

    const auto byContent = dir.file("letter2.ods");
    writeZip(byContent, {{"content.xml", textContent()}});
    EXPECT_EQ(readFailure(byContent), "letter2.ods: not a spreadsheet (it is an OpenDocument text document)");

    const auto oldWriter = dir.file("old.sxc");
    writeZip(oldWriter, {{"mimetype", "application/vnd.sun.xml.writer", false}, {"content.xml", textContent()}});
    EXPECT_EQ(readFailure(oldWriter), "old.sxc: not a spreadsheet (it is an OpenOffice.org 1.x text document)");

    // A 1.x text document without its mimetype: the root element says it.
    const auto oldWriterContentOnly = dir.file("letter.sxc");
    writeZip(oldWriterContentOnly, {{"content.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="http://openoffice.org/2000/office" xmlns:text="http://openoffice.org/2000/text" office:class="text" office:version="1.0">
 <office:body><text:p>Dear reader</text:p></office:body></office:document-content>)"}});
    EXPECT_EQ(readFailure(oldWriterContentOnly), "letter.sxc: not a spreadsheet (it is an OpenOffice.org 1.x text document)");

    const auto flatText = dir.file("letter.fods");
    writeText(flatText, std::string("<?xml version=\"1.0\"?><office:document") + kOdfNamespaces +
                            R"( office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text><text:p>Hi</text:p></office:text></office:body></office:document>)");
    EXPECT_EQ(readFailure(flatText), "letter.fods: not a spreadsheet (it is an OpenDocument text document)");

    const auto xlsx = dir.file("book.ods");
    writeZip(xlsx, {{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.xml", "<workbook/>"}});
    EXPECT_EQ(readFailure(xlsx), "book.ods: not an OpenDocument spreadsheet (it is an Office Open XML file such as .xlsx)");
}

TEST_F(DocumentKinds, UnreadableFilesGiveTheirCause) {
    EXPECT_EQ(readFailure(dir.file("absent.ods")), "absent.ods: the file does not exist");
    std::filesystem::create_directory(dir.file("folder.ods"));
    EXPECT_EQ(readFailure(dir.file("folder.ods")), "folder.ods: it is a folder, not a spreadsheet file");
    // Opening a pipe for reading waits for a writer: it must be refused before that.
    ASSERT_EQ(mkfifo(dir.file("pipe.ods").c_str(), 0600), 0);
    EXPECT_EQ(readFailure(dir.file("pipe.ods")),
              "pipe.ods: it is not a regular file (a pipe, socket or device), not a spreadsheet file");
    writeText(dir.file("empty.ods"), "");
    EXPECT_EQ(readFailure(dir.file("empty.ods")), "empty.ods: the file is empty");
    writeText(dir.file("notes.ods"), "a,b,c\n1,2,3\n");
    EXPECT_EQ(readFailure(dir.file("notes.ods")), "notes.ods: not an OpenDocument spreadsheet (neither a zip archive nor an XML document)");

    // A package cut short loses its central directory.
    const auto whole = dir.file("whole.ods");
    writeSpreadsheet(whole, contentXml("", kBody));
    std::filesystem::copy_file(whole, dir.file("cut.ods"));
    std::filesystem::resize_file(dir.file("cut.ods"), std::filesystem::file_size(whole) / 2);
    EXPECT_EQ(readFailure(dir.file("cut.ods")), "cut.ods: the archive is damaged or truncated (its directory is missing)");

    const auto broken = dir.file("broken.ods");
    writeSpreadsheet(broken, "<office:document-content" + std::string(kOdfNamespaces) + "><office:body>\n<office:spreadsheet>\n</office:body>");
    EXPECT_EQ(readFailure(broken), "broken.ods: content.xml (line 3): malformed XML: mismatched tag");

    const auto noContent = dir.file("nocontent.ods");
    writeZip(noContent, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false}});
    EXPECT_EQ(readFailure(noContent), "nocontent.ods: not an OpenDocument spreadsheet (the archive has no content.xml)");
}

TEST_F(DocumentKinds, EncryptedDocumentsSaySo) {
    const auto file = dir.file("secret.ods");
    writeZip(file, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                    {"META-INF/manifest.xml", R"(<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">
                       <manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml">
                       <manifest:encryption-data manifest:checksum-type="SHA1/1K" manifest:checksum="x"/></manifest:file-entry></manifest:manifest>)"},
                    {"content.xml", std::string("\x8f\x12\x00\xfe binary", 12)}});
    EXPECT_EQ(readFailure(file), "secret.ods: the document is password-protected (encrypted)");
}

TEST_F(DocumentKinds, EntityDeclarationsAreRefused) {
    const auto file = dir.file("laughs.ods");
    writeSpreadsheet(file, R"(<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol"><!ENTITY lol2 "&lol;&lol;&lol;&lol;">]>)"
                           "<office:document-content" + std::string(kOdfNamespaces) + "><office:body><office:spreadsheet>"
                           "<table:table table:name=\"&lol2;\"/></office:spreadsheet></office:body></office:document-content>");
    EXPECT_EQ(readFailure(file), "laughs.ods: content.xml (line 1): the document brings its own document type definition (entities or rules), which is refused");
}

TEST(ZipBounds, AMemberThatInflatesBeyondTheBoundIsRefused) {
    TempDir dir;
    const auto file = dir.file("bomb.ods");
    writeZip(file, {{"content.xml", std::string(4 << 20, ' ')}});
    ods::ZipPackage small(file, ods::InflateLimits{1 << 20, 1 << 30, 1000000});
    EXPECT_THROW(small.readSmall("content.xml", 8 << 20), ConversionError) << "absolute bound";
    ods::ZipPackage dense(file, ods::InflateLimits{1 << 30, 1 << 20, 100});
    try {
        dense.readSmall("content.xml", 8 << 20);
        FAIL() << "ratio bound";
    } catch (const ConversionError& error) {
        // Refused from the sizes its directory declares, before inflating.
        EXPECT_EQ(std::string(error.what()), "content.xml declares 4 MiB inflated from 3 KiB; the archive is refused as hostile");
    }
    ods::ZipPackage fine(file);
    EXPECT_EQ(fine.readSmall("content.xml", 8 << 20)->size(), 4u << 20);
}

}  // namespace
}  // namespace brindlemoor::office::testing

namespace brindlemoor::office::testing {
namespace {

// Damaged content, byte by byte: every variant either reads or fails with a
// ConversionError; nothing else escapes and nothing crashes.
TEST(DamagedContent, ReadsOrFailsCleanly) {
    TempDir dir;
    const std::string styles = R"(<number:number-style style:name="N1"><number:number number:decimal-places="2"/><style:map style:condition="value()&gt;=0" style:apply-style-name="N1"/></number:number-style>)"
                               R"(<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"><style:table-cell-properties fo:border="0.74pt solid #000000"/></style:style>)";
    const std::string original = contentXml(styles,
        R"(<table:table table:name="S"><table:table-column table:number-columns-repeated="3"/><table:table-row table:number-rows-repeated="2">)"
        R"(<table:table-cell table:style-name="ce1" office:value-type="date" office:date-value="2024-01-15T10:00:00" table:number-columns-spanned="2"/>)"
        R"(<table:covered-table-cell/><table:table-cell office:value-type="string"><text:p>a<text:s text:c="2"/><text:a xlink:href="x">b</text:a></text:p></table:table-cell>)"
        R"(</table:table-row></table:table>)");
    std::mt19937 random(20261208);
    int read = 0, refused = 0;
    for (int round = 0; round < 300; ++round) {
        std::string damaged = original;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            const std::size_t at = random() % damaged.size();
            switch (random() % 3) {
            case 0: damaged[at] = static_cast<char>(random() % 256); break;
            case 1: damaged.erase(at, 1 + random() % 8); break;
            default: damaged.insert(at, 1, "<>\"&=/ 9-"[random() % 9]); break;
            }
        }
        const auto file = dir.file("damaged.ods");
        writeSpreadsheet(file, damaged);
        try {
            Warnings warnings;
            readSpreadsheet(file, warnings);
            ++read;
        } catch (const ConversionError&) {
            ++refused;
        }
    }
    EXPECT_EQ(read + refused, 300);
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace brindlemoor::office::testing
