// Charts read from their embedded objects: type, grouping, series ranges on
// the sheets they name (even later ones), titles and legend; and what is
// warned about when a chart cannot be drawn from cells.

#include "office/ods/chart_reader.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace brindlemoor::office::testing {
namespace {

using ods::parseRangeAddress;

const char* const kChartNamespaces =
    R"( xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
    R"( xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0")"
    R"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0")"
    R"( xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0")"
    R"( xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0")"
    R"( xmlns:chart="urn:oasis:names:tc:opendocument:xmlns:chart:1.0")"
    R"( xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0")"
    R"( xmlns:xlink="http://www.w3.org/1999/xlink")";

// A horizontal stacked bar chart of two series on the sheet "Later data",
// which comes after the sheet holding the chart.
std::string barChartBody() {
    return R"(<office:automatic-styles>)"
           R"(<style:style style:name="pa"><style:chart-properties chart:vertical="true" chart:stacked="true"/></style:style>)"
           R"(<style:style style:name="s1"><style:graphic-properties draw:fill-color="#004586"/></style:style>)"
           R"(</office:automatic-styles><office:body><office:chart>)"
           R"(<chart:chart chart:class="chart:bar">)"
           R"(<chart:title><text:p>Sales</text:p></chart:title>)"
           R"(<chart:legend chart:legend-position="bottom"/>)"
           R"(<chart:plot-area chart:style-name="pa" table:cell-range-address="'Later data'.A1:'Later data'.C7">)"
           R"(<chart:axis chart:dimension="x" chart:name="primary-x"><chart:title><text:p>Month</text:p></chart:title>)"
           R"(<chart:categories table:cell-range-address="'Later data'.A2:'Later data'.A7"/></chart:axis>)"
           R"(<chart:axis chart:dimension="y" chart:name="primary-y"/>)"
           R"(<chart:series chart:style-name="s1" chart:values-cell-range-address="'Later data'.B2:'Later data'.B7")"
           R"( chart:label-cell-address="'Later data'.B1"><chart:data-point chart:repeated="6"/></chart:series>)"
           R"(<chart:series chart:values-cell-range-address="'Later data'.$C$2:.$C$7"/>)"
           R"(</chart:plot-area>)"
           R"(<table:table table:name="local-table"/>)"
           R"(</chart:chart></office:chart></office:body>)";
}

std::string objectContent(const std::string& body) {
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document-content)") + kChartNamespaces +
           R"( office:version="1.2">)" + body + "</office:document-content>";
}

std::string frame(const std::string& inside, const std::string& name = "Chart 1") {
    return R"(<table:table-row><table:table-cell><draw:frame draw:name=")" + name +
           R"(" svg:x="0pt" svg:y="0pt" svg:width="200pt" svg:height="100pt">)" + inside +
           "</draw:frame></table:table-cell></table:table-row>";
}

std::string body(const std::string& chartTable) {
    return R"(<table:table table:name="Charts">)" + chartTable + "</table:table>" +
           R"(<table:table table:name="Later data"><table:table-row><table:table-cell/></table:table-row></table:table>)";
}

const Drawing* onlyDrawing(const Workbook& wb) {
    if (wb.sheets.empty() || wb.sheets[0].drawings.size() != 1) return nullptr;
    return &wb.sheets[0].drawings[0];
}

bool warned(const std::vector<std::string>& warnings, const std::string& part) {
    return std::any_of(warnings.begin(), warnings.end(), [&](const std::string& w) { return w.find(part) != std::string::npos; });
}

void expectBarChart(const Drawing& drawing) {
    ASSERT_EQ(drawing.kind, DrawingKind::Chart);
    ASSERT_TRUE(drawing.chart);
    const Chart& chart = *drawing.chart;
    EXPECT_EQ(chart.type, ChartType::Bar);
    EXPECT_EQ(chart.grouping, ChartGrouping::Stacked);
    EXPECT_EQ(chart.title, "Sales");
    EXPECT_EQ(chart.categoryAxisTitle, "Month");
    EXPECT_EQ(chart.legend, LegendPosition::Bottom);
    ASSERT_EQ(chart.series.size(), 2u);
    const ChartSeries& first = chart.series[0];
    EXPECT_EQ(first.values.sheet, 1u);
    EXPECT_EQ(first.values.cells.firstRow, 1u);
    EXPECT_EQ(first.values.cells.lastRow, 6u);
    EXPECT_EQ(first.values.cells.firstColumn, 1u);
    EXPECT_EQ(first.values.cells.lastColumn, 1u);
    ASSERT_TRUE(first.nameCell);
    EXPECT_EQ(first.nameCell->cells.firstRow, 0u);
    EXPECT_EQ(first.nameCell->cells.firstColumn, 1u);
    ASSERT_TRUE(first.categories);
    EXPECT_EQ(first.categories->cells.firstColumn, 0u);
    EXPECT_EQ(first.categories->cells.lastRow, 6u);
    ASSERT_TRUE(first.color);
    EXPECT_EQ(*first.color, (Color{0x00, 0x45, 0x86}));
    // The second half of an address may leave out the sheet.
    EXPECT_EQ(chart.series[1].values.sheet, 1u);
    EXPECT_EQ(chart.series[1].values.cells.firstColumn, 2u);
    EXPECT_EQ(chart.series[1].values.cells.lastRow, 6u);
}

TEST(ChartReading, PackagedChartIsReadFromItsObject) {
    TempDir dir;
    writeZip(dir.file("c.ods"), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                                 {"content.xml", contentXml("", body(frame(R"(<draw:object xlink:href="./Object 1"/>)")))},
                                 {"Object 1/content.xml", objectContent(barChartBody())}});
    std::vector<std::string> warnings;
    const Workbook wb = read(dir.file("c.ods"), &warnings);
    const Drawing* drawing = onlyDrawing(wb);
    ASSERT_NE(drawing, nullptr);
    expectBarChart(*drawing);
    EXPECT_FALSE(warned(warnings, "not converted"));
}

TEST(ChartReading, FlatFileHoldsTheChartInline) {
    TempDir dir;
    const std::string inlineChart = R"(<draw:object><office:document office:mimetype="application/vnd.oasis.opendocument.chart">)" +
                                    barChartBody() + "</office:document></draw:object>";
    writeText(dir.file("c.fods"), std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document)") + kChartNamespaces +
                                      R"( office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>)" +
                                      body(frame(inlineChart)) + "</office:spreadsheet></office:body></office:document>");
    std::vector<std::string> warnings;
    const Workbook wb = read(dir.file("c.fods"), &warnings);
    const Drawing* drawing = onlyDrawing(wb);
    ASSERT_NE(drawing, nullptr);
    expectBarChart(*drawing);
}

TEST(ChartReading, ChartsThatCannotBeDrawnFromCellsAreWarnedAbout) {
    TempDir dir;
    // Data only in the chart's own table; an object that is no chart; a missing object.
    const std::string localOnly = R"(<office:body><office:chart><chart:chart chart:class="chart:line"><chart:plot-area>)"
                                  R"(<chart:series/></chart:plot-area></chart:chart></office:chart></office:body>)";
    const std::string text = R"(<office:body><office:text><text:p>Hello</text:p></office:text></office:body>)";
    writeZip(dir.file("c.ods"), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                                 {"content.xml", contentXml("", body(frame(R"(<draw:object xlink:href="./Object 1"/>)", "Local") +
                                                                      frame(R"(<draw:object xlink:href="./Object 2"/>)", "Words") +
                                                                      frame(R"(<draw:object xlink:href="./Object 3"/>)", "Gone")))},
                                 {"Object 1/content.xml", objectContent(localOnly)},
                                 {"Object 2/content.xml", objectContent(text)}});
    std::vector<std::string> warnings;
    const Workbook wb = read(dir.file("c.ods"), &warnings);
    EXPECT_TRUE(wb.sheets[0].drawings.empty());
    EXPECT_TRUE(warned(warnings, "Charts: 1 chart or embedded object not converted (\"Local\": its data is held in the chart, not in cells)"));
    EXPECT_TRUE(warned(warnings, "(\"Words\": the object holds no chart)"));
    EXPECT_TRUE(warned(warnings, "(\"Gone\": its object is missing from the file)"));
}

TEST(ChartReading, RangeAddresses) {
    auto parsed = parseRangeAddress("'It''s. here'.$B$2:'It''s. here'.A9");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->sheet, "It's. here");
    EXPECT_EQ(parsed->cells.firstRow, 1u);
    EXPECT_EQ(parsed->cells.lastRow, 8u);
    EXPECT_EQ(parsed->cells.firstColumn, 0u);  // corners given in any order
    EXPECT_EQ(parsed->cells.lastColumn, 1u);

    parsed = parseRangeAddress("Sheet1.C3");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->cells.firstRow, parsed->cells.lastRow);

    EXPECT_FALSE(parseRangeAddress("Sheet1.A1:Sheet1.A3 Sheet1.C1:Sheet1.C3")) << "a list of ranges";
    EXPECT_FALSE(parseRangeAddress("Sheet1.A1:Sheet2.A3")) << "across sheets";
    EXPECT_FALSE(parseRangeAddress("A1:A3")) << "without a sheet";
    EXPECT_FALSE(parseRangeAddress(""));
}

}  // namespace
}  // namespace brindlemoor::office::testing
