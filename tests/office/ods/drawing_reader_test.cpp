// Pictures and drawing shapes: where they are anchored, what they look like,
// and what is warned about when they cannot be kept.

#include "office/ods/drawing_reader.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace brindlemoor::office::testing {
namespace {

const std::string kPng = std::string("\x89PNG\r\n\x1A\n", 8) + "rest of a picture";
const std::string kJpeg = "\xFF\xD8\xFF\xE0 rest of a jpeg";

std::string stylesAndColumns() {
    return R"(<style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="72pt"/></style:style>)"
           R"(<style:style style:name="ro1" style:family="table-row"><style:table-row-properties style:row-height="18pt"/></style:style>)"
           R"(<style:style style:name="gr1" style:family="graphic" style:parent-style-name="Shapes">)"
           R"(<style:graphic-properties draw:fill-color="#ff0000"/></style:style>)"
           R"(<style:style style:name="gr2" style:family="graphic"><style:graphic-properties draw:fill="none" draw:stroke="none"/></style:style>)"
           R"(<style:style style:name="gr3" style:family="graphic"><style:graphic-properties draw:fill="none"/>)"
           R"(<style:text-properties fo:font-family="'Liberation Serif'" fo:font-size="12pt"/></style:style>)"
           R"(<style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>)"
           R"(<style:style style:name="T2" style:family="text"><style:text-properties fo:color="#c00000" fo:font-size="14pt"/></style:style>)"
           R"(<style:style style:name="P1" style:family="paragraph"><style:text-properties fo:font-style="italic"/></style:style>)";
}

std::string commonStyles() {
    return R"(<style:default-style style:family="graphic"><style:graphic-properties draw:fill-color="#00ff00" svg:stroke-color="#000080"/></style:default-style>)"
           R"(<style:style style:name="Shapes" style:family="graphic"><style:graphic-properties svg:stroke-color="#0000ff" svg:stroke-width="2pt"/></style:style>)";
}

// A row of `cells` plain cells, then `content` in the next cell.
std::string rowWith(int cells, const std::string& content) {
    std::string row = R"(<table:table-row table:style-name="ro1">)";
    if (cells > 0) row += R"(<table:table-cell table:number-columns-repeated=")" + std::to_string(cells) + R"("/>)";
    return row + "<table:table-cell>" + content + "</table:table-cell></table:table-row>";
}

std::string emptyRows(int count) {
    return R"(<table:table-row table:style-name="ro1" table:number-rows-repeated=")" + std::to_string(count) +
           R"("><table:table-cell/></table:table-row>)";
}

class DrawingReading : public ::testing::Test {
protected:
    Workbook readTable(const std::string& tableBody, std::vector<Member> pictures = {}) {
        const std::string content = contentXml(stylesAndColumns(),
            R"(<table:table table:name="S">)" + tableBody + "</table:table>");
        std::vector<Member> members = {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                                       {"content.xml", content},
                                       {"styles.xml", stylesXml(commonStyles())}};
        for (auto& p : pictures) members.push_back(std::move(p));
        writeZip(dir.file("d.ods"), members);
        warnings.clear();
        return read(dir.file("d.ods"), &warnings);
    }
    bool warned(const std::string& part) const {
        return std::any_of(warnings.begin(), warnings.end(), [&](const std::string& w) { return w.find(part) != std::string::npos; });
    }
    TempDir dir;
    std::vector<std::string> warnings;
};

TEST_F(DrawingReading, ShapesInCellsArePlacedRelativeToTheirCellAndEndWhereTheySay) {
    const std::string columns = R"(<table:table-column table:style-name="co1" table:number-columns-repeated="2"/>)"
                                R"(<table:table-column table:style-name="co1" table:visibility="collapse"/>)"
                                R"(<table:table-column table:style-name="co1" table:number-columns-repeated="5"/>)";
    const Workbook wb = readTable(columns +
        rowWith(1, R"(<draw:rect draw:name="R" draw:style-name="gr1" svg:x="18pt" svg:y="9pt" svg:width="100pt" svg:height="30pt")"
                   R"( table:end-cell-address="S.E3" table:end-x="36pt" table:end-y="4.5pt"/>)") +
        emptyRows(3) +
        // Without an end address: the size decides; the hidden column C takes no room.
        rowWith(1, R"(<draw:ellipse draw:style-name="gr2" svg:x="72pt" svg:y="0pt" svg:width="36pt" svg:height="27pt"/>)") +
        rowWith(0, R"(<draw:line svg:x1="72pt" svg:y1="18pt" svg:x2="0pt" svg:y2="0pt"/>)") +
        emptyRows(2) +
        R"(<table:table-row table:style-name="ro1"><table:table-cell><draw:custom-shape svg:x="0pt" svg:y="0pt" svg:width="10pt" svg:height="10pt">)"
        R"(<text:p>Two</text:p><text:p>lines</text:p><draw:enhanced-geometry draw:type="rectangle"/></draw:custom-shape></table:table-cell>)"
        R"(<table:table-cell><draw:custom-shape svg:x="0pt" svg:y="0pt" svg:width="10pt" svg:height="10pt"><draw:enhanced-geometry draw:type="ellipse"/></draw:custom-shape></table:table-cell></table:table-row>)");
    ASSERT_EQ(wb.sheets.size(), 1u);
    const auto& d = wb.sheets[0].drawings;
    ASSERT_EQ(d.size(), 5u);

    EXPECT_EQ(d[0].kind, DrawingKind::Rectangle);
    EXPECT_EQ(d[0].name, "R");
    EXPECT_EQ(d[0].anchor.firstRow, 0u);
    EXPECT_EQ(d[0].anchor.firstColumn, 1u);
    EXPECT_DOUBLE_EQ(d[0].anchor.firstX, 0.25);
    EXPECT_DOUBLE_EQ(d[0].anchor.firstY, 0.5);
    EXPECT_EQ(d[0].anchor.lastRow, 2u);
    EXPECT_EQ(d[0].anchor.lastColumn, 4u);
    EXPECT_DOUBLE_EQ(d[0].anchor.lastX, 0.5);
    EXPECT_DOUBLE_EQ(d[0].anchor.lastY, 0.25);
    EXPECT_TRUE(d[0].anchor.toCell);
    // Own fill, the parent's outline, over the default style.
    EXPECT_EQ(d[0].fill, (Color{0xFF, 0, 0}));
    EXPECT_EQ(d[0].line, (Color{0, 0, 0xFF}));
    EXPECT_DOUBLE_EQ(d[0].lineWidthPt, 2);

    EXPECT_EQ(d[1].kind, DrawingKind::Ellipse);
    EXPECT_FALSE(d[1].fill);
    EXPECT_FALSE(d[1].line);
    EXPECT_EQ(d[1].anchor.firstRow, 4u);
    EXPECT_EQ(d[1].anchor.firstColumn, 3u) << "B + 72pt passes the hidden column C";
    EXPECT_DOUBLE_EQ(d[1].anchor.firstX, 0.0);
    EXPECT_EQ(d[1].anchor.lastRow, 5u);
    EXPECT_DOUBLE_EQ(d[1].anchor.lastY, 0.5);
    EXPECT_EQ(d[1].anchor.lastColumn, 3u);
    EXPECT_DOUBLE_EQ(d[1].anchor.lastX, 0.5);

    EXPECT_EQ(d[2].kind, DrawingKind::Line);
    EXPECT_TRUE(d[2].flipHorizontal && d[2].flipVertical) << "drawn from bottom right to top left";
    EXPECT_FALSE(d[2].fill);
    EXPECT_EQ(d[2].anchor.firstRow, 5u);
    EXPECT_EQ(d[2].anchor.lastColumn, 1u);

    EXPECT_EQ(d[3].kind, DrawingKind::TextBox) << "a rectangle with text";
    EXPECT_EQ(d[3].text, "Two\nlines");
    EXPECT_EQ(d[3].fill, (Color{0, 0xFF, 0})) << "the default style's fill";
    EXPECT_EQ(d[4].kind, DrawingKind::Ellipse);
    EXPECT_EQ(d[4].anchor.firstColumn, 1u);
}

TEST_F(DrawingReading, PicturesComeFromThePackageAndWhatCannotBeKeptIsWarned) {
    const Workbook wb = readTable(
        R"(<table:shapes>)"
        R"(<draw:frame draw:name="P" svg:x="144pt" svg:y="36pt" svg:width="72pt" svg:height="18pt"><svg:desc>A photo</svg:desc>)"
        R"(<draw:image xlink:href="Pictures/a.svg"/><draw:image xlink:href="./Pictures/a.png"/></draw:frame>)"
        R"(<draw:frame svg:x="0pt" svg:y="0pt" svg:width="72pt" svg:height="18pt"><draw:image xlink:href="Pictures/b.jpg"/></draw:frame>)"
        R"(<draw:frame svg:x="0pt" svg:y="0pt" svg:width="72pt" svg:height="18pt"><draw:image xlink:href="Pictures/only.svg"/></draw:frame>)"
        R"(<draw:frame svg:x="0pt" svg:y="0pt" svg:width="72pt" svg:height="18pt"><draw:image xlink:href="Pictures/missing.png"/></draw:frame>)"
        R"(<draw:frame svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"><draw:object xlink:href="./Object 1"/></draw:frame>)"
        R"(<draw:frame svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"><draw:text-box><text:p>Boxed</text:p></draw:text-box></draw:frame>)"
        R"(<draw:polygon svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"/>)"
        R"(</table:shapes>)"
        R"(<table:table-column table:style-name="co1" table:number-columns-repeated="4"/>)" + emptyRows(5),
        {{"Pictures/a.svg", "<svg/>"}, {"Pictures/a.png", kPng}, {"Pictures/b.jpg", kJpeg}, {"Pictures/only.svg", "<svg/>"}});
    const auto& d = wb.sheets[0].drawings;
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].kind, DrawingKind::Picture);
    EXPECT_EQ(d[0].picture, kPng) << "the replacement picture of an SVG";
    EXPECT_EQ(d[0].pictureType, PictureType::Png);
    EXPECT_EQ(d[0].description, "A photo");
    EXPECT_FALSE(d[0].anchor.toCell);
    EXPECT_EQ(d[0].anchor.firstColumn, 2u);
    EXPECT_EQ(d[0].anchor.firstRow, 2u);
    EXPECT_EQ(d[0].anchor.lastColumn, 3u);
    EXPECT_EQ(d[0].anchor.lastRow, 3u);
    EXPECT_DOUBLE_EQ(d[0].anchor.lastY, 0.0);
    EXPECT_EQ(d[1].pictureType, PictureType::Jpeg);
    EXPECT_EQ(d[2].kind, DrawingKind::TextBox);
    EXPECT_EQ(d[2].text, "Boxed");
    EXPECT_FALSE(d[2].fill) << "a frame is plain unless its style fills it";
    EXPECT_TRUE(warned("S: 2 images not converted")) << ::testing::PrintToString(warnings);
    EXPECT_TRUE(warned("S: 1 chart or embedded object not converted"));
    EXPECT_TRUE(warned("S: 1 drawing shape not converted"));
}

TEST_F(DrawingReading, TextsOfShapesKeepTheirPartsInFontsOfTheirOwn) {
    // A text box whose styles the office does not apply to its text, with a
    // bold span after a character beyond the BMP and a paragraph with a span
    // of another size and colour; a custom shape whose graphic style and
    // text style give its text a font, with a span; a plain one; an
    // ellipse, whose text is lost.
    const std::string styled = R"(draw:style-name="gr3" draw:text-style-name="P1")";
    const Workbook wb = readTable(
        rowWith(0, R"(<draw:frame draw:name="Box" )" + styled + R"( svg:x="0pt" svg:y="0pt" svg:width="72pt" svg:height="36pt">)"
                   "<draw:text-box><text:p>\xF0\x9D\x84\x9E <text:span text:style-name=\"T1\">bold</text:span> end</text:p>"
                   R"(<text:list><text:list-item><text:p>x<text:span text:style-name="T2">red</text:span></text:p></text:list-item></text:list>)"
                   R"(</draw:text-box></draw:frame>)") +
        rowWith(0, R"(<draw:custom-shape draw:name="Shape" )" + styled + R"( svg:x="0pt" svg:y="0pt" svg:width="72pt" svg:height="18pt">)"
                   R"(<text:p>ab<text:span text:style-name="T1">cd</text:span><text:s text:c="2"/>e</text:p>)"
                   R"(<draw:enhanced-geometry draw:type="rectangle"/></draw:custom-shape>)"
                   R"(<draw:custom-shape draw:name="Plain" svg:x="0pt" svg:y="0pt" svg:width="72pt" svg:height="18pt">)"
                   R"(<text:p>plain</text:p><draw:enhanced-geometry draw:type="rectangle"/></draw:custom-shape>)"
                   R"(<draw:ellipse svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"><text:p><text:span text:style-name="T1">x</text:span></text:p></draw:ellipse>)") +
        R"(<table:table-column table:style-name="co1" table:number-columns-repeated="4"/>)");
    const auto& d = wb.sheets[0].drawings;
    ASSERT_EQ(d.size(), 4u);
    const Font& base = wb.formats[0].font;
    Font bold = base;
    bold.bold = true;
    Font red = base;
    red.sizePt = 14;
    red.color = Color{0xC0, 0, 0};

    EXPECT_EQ(d[0].kind, DrawingKind::TextBox);
    EXPECT_EQ(d[0].text, "\xF0\x9D\x84\x9E bold end\nxred");
    // The clef is two UTF-16 units: "bold" starts at 3.
    const std::vector<TextRun> boxRuns = {{3, bold, {}}, {7, base, {}}, {13, red, {}}};
    EXPECT_EQ(d[0].textRuns, boxRuns);

    EXPECT_EQ(d[1].kind, DrawingKind::TextBox) << "a rectangle with text";
    EXPECT_EQ(d[1].text, "abcd  e");
    Font shape = base;
    shape.name = "Liberation Serif";
    shape.sizePt = 12;
    shape.italic = true;
    Font shapeBold = shape;
    shapeBold.bold = true;
    const std::vector<TextRun> shapeRuns = {{0, shape, {}}, {2, shapeBold, {}}, {4, shape, {}}};
    EXPECT_EQ(d[1].textRuns, shapeRuns);
    EXPECT_TRUE(d[2].textRuns.empty()) << "all in the default font";
    EXPECT_EQ(d[3].kind, DrawingKind::Ellipse);
    EXPECT_TRUE(d[3].text.empty() && d[3].textRuns.empty()) << "an ellipse keeps no text";
}

TEST_F(DrawingReading, ShapesAreDrawnInTheirZOrderAndGroupMembersInTheirGroups) {
    const Workbook wb = readTable(
        R"(<table:shapes><draw:rect draw:name="page" draw:z-index="1" svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"/></table:shapes>)" +
        rowWith(0, R"(<draw:g draw:z-index="3"><draw:rect draw:name="back" svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"/>)"
                   R"(<draw:ellipse draw:name="back too" svg:x="9pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"/></draw:g>)") +
        rowWith(0, R"(<draw:rect draw:name="front" draw:z-index="2" svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"/>)"));
    std::vector<std::string> names;
    for (const Drawing& d : wb.sheets[0].drawings) names.push_back(d.name);
    EXPECT_EQ(names, (std::vector<std::string>{"page", "front", "back", "back too"})) << "a group's members are drawn where the group is";
}

TEST_F(DrawingReading, GroupsAreKeptWithTheirMembersAndNesting) {
    const Workbook wb = readTable(
        R"(<table:table-column table:style-name="co1" table:number-columns-repeated="4"/>)"
        R"(<table:shapes><draw:rect draw:name="page" draw:z-index="1" svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"/></table:shapes>)" +
        rowWith(1, R"(<draw:g draw:name="Outer" draw:z-index="2">)"
                   R"(<draw:ellipse draw:name="e" draw:z-index="0" svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"/>)"
                   R"(<draw:g draw:name="Inner"><draw:rect draw:name="r" svg:x="10pt" svg:y="5pt" svg:width="20pt" svg:height="10pt"/>)"
                   R"(<draw:polygon svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"/></draw:g>)"
                   R"(<draw:g draw:name="Lost"><draw:polygon svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"/></draw:g>)"
                   R"(</draw:g>)") +
        rowWith(0, R"(<draw:rect draw:name="front" draw:z-index="3" svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"/>)"));
    const Sheet& sheet = wb.sheets[0];
    std::vector<std::string> names;
    for (const Drawing& d : sheet.drawings) names.push_back(d.name);
    EXPECT_EQ(names, (std::vector<std::string>{"page", "e", "r", "front"})) << "a member's own z-index (below the page shape's) orders it within its group only";
    ASSERT_EQ(sheet.drawingGroups.size(), 3u);
    EXPECT_EQ(sheet.drawingGroups[0].name, "Outer");
    EXPECT_FALSE(sheet.drawingGroups[0].parent);
    EXPECT_EQ(sheet.drawingGroups[1].name, "Inner");
    EXPECT_EQ(sheet.drawingGroups[1].parent, std::optional<std::uint32_t>(0));
    EXPECT_EQ(sheet.drawingGroups[2].parent, std::optional<std::uint32_t>(0));
    EXPECT_FALSE(sheet.drawings[0].group);
    EXPECT_EQ(sheet.drawings[1].group, std::optional<std::uint32_t>(0));
    EXPECT_EQ(sheet.drawings[2].group, std::optional<std::uint32_t>(1));
    EXPECT_FALSE(sheet.drawings[3].group);
    // Its box on the page: the cell B1 starts 72pt from the left.
    ASSERT_TRUE(sheet.drawings[2].box);
    EXPECT_DOUBLE_EQ(sheet.drawings[2].box->x, 82);
    EXPECT_DOUBLE_EQ(sheet.drawings[2].box->y, 5);
    EXPECT_DOUBLE_EQ(sheet.drawings[2].box->width, 20);
    EXPECT_DOUBLE_EQ(sheet.drawings[2].box->height, 10);
    EXPECT_TRUE(warned("S: 2 drawing shapes not converted")) << ::testing::PrintToString(warnings);
}

TEST_F(DrawingReading, FlatFilesCarryPicturesInline) {
    // "\x89PNG\r\n\x1A\n" and "xyz", base64 with line breaks.
    const std::string body = R"(<table:table table:name="F"><table:shapes><draw:frame svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt">)"
                             "<draw:image><office:binary-data>iVBORw0K\n  Ggp4 eXo=</office:binary-data></draw:image></draw:frame>"
                             R"(<draw:frame svg:x="0pt" svg:y="0pt" svg:width="9pt" svg:height="9pt"><draw:image xlink:href="elsewhere.png"/></draw:frame>)"
                             "</table:shapes><table:table-row><table:table-cell/></table:table-row></table:table>";
    writeText(dir.file("f.fods"), std::string(R"(<?xml version="1.0"?><office:document)") + kOdfNamespaces +
                                      R"( office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>)" +
                                      body + "</office:spreadsheet></office:body></office:document>");
    const Workbook wb = read(dir.file("f.fods"), &warnings);
    ASSERT_EQ(wb.sheets[0].drawings.size(), 1u);
    EXPECT_EQ(wb.sheets[0].drawings[0].picture, std::string("\x89PNG\r\n\x1A\nxyz", 11));
    EXPECT_TRUE(warned("F: 1 image not converted"));
}

TEST(DrawingValues, CellAddressesAndBase64) {
    using ods::parseCellAddress;
    const auto at = [](std::string_view text) {
        auto cell = parseCellAddress(text);
        return cell ? std::to_string(cell->row) + "," + std::to_string(cell->column) : std::string("none");
    };
    EXPECT_EQ(at("Sheet1.D5"), "4,3");
    EXPECT_EQ(at("'My. sheet'.$AB$10"), "9,27");
    EXPECT_EQ(at("B2"), "1,1");
    for (const char* bad : {"Sheet1.", "Sheet1.5", "Sheet1.A0", "Sheet1.A1x", "S.ZZZZ1", "S.A99999999999"}) EXPECT_EQ(at(bad), "none") << bad;

    EXPECT_EQ(ods::decodeBase64("TWFu"), "Man");
    EXPECT_EQ(ods::decodeBase64("TWE="), "Ma");
    EXPECT_EQ(ods::decodeBase64("TQ=="), "M");
    EXPECT_EQ(ods::decodeBase64(""), "");
    EXPECT_FALSE(ods::decodeBase64("TQ==TQ"));
    EXPECT_FALSE(ods::decodeBase64("T"));
    EXPECT_FALSE(ods::decodeBase64("TW!u"));
}

}  // namespace
}  // namespace brindlemoor::office::testing
