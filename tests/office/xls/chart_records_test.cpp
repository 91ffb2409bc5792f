// Embedded charts, checked where a fault would be silent: the chart substream
// right after its OBJ, its BEGIN/END nesting, series references that reach
// the right sheet and cells through EXTERNSHEET, and object ids shared with
// the sheet's notes.

#include "biff_records.h"
#include "office/xls/workbook_stream.h"

#include <gtest/gtest.h>

#include <set>

namespace brindlemoor::office::xls {
namespace {

using test::Record;

constexpr std::uint16_t kBof = 0x0809, kEof = 0x000A, kObj = 0x005D, kNote = 0x001C, kExternSheet = 0x0017;
constexpr std::uint16_t kSeries = 0x1003, kAi = 0x1051, kBegin = 0x1033, kEnd = 0x1034, kAxis = 0x101D;
constexpr std::uint16_t kBar = 0x1017, kLine = 0x1018, kPie = 0x1019, kLegend = 0x1015, kSeriesText = 0x100D;
constexpr std::uint16_t kObjectLink = 0x1027;

ChartRange range(std::uint32_t sheet, RowIndex r1, ColumnIndex c1, RowIndex r2, ColumnIndex c2) {
    return {sheet, {r1, c1, r2, c2}};
}

Drawing chartDrawing(Chart chart, RowIndex row) {
    Drawing d;
    d.kind = DrawingKind::Chart;
    d.anchor = {row, 1, 0, 0, row + 10, 6, 0.5, 0.5, true};
    d.name = "Chart";
    d.chart = std::move(chart);
    return d;
}

// Sheet 0 "Notes" has a note and a pie chart; sheet 1 "Charts" has a stacked
// bar chart and a line chart whose series draw from sheet 2 "Data".
Workbook chartWorkbook() {
    Workbook wb;
    Sheet notes;
    notes.name = "Notes";
    notes.annotations = {{"Ada", "A note", false}};
    Row row;
    row.index = 0;
    Cell noted;
    noted.annotation = 0;
    row.cells = {noted};
    notes.rows = {row};
    Chart pie;
    pie.type = ChartType::Pie;
    pie.series = {{std::nullopt, "Literal name", range(2, 1, 0, 6, 0), range(2, 1, 3, 6, 3), std::nullopt}};
    notes.drawings.push_back(chartDrawing(pie, 3));
    wb.sheets.push_back(notes);

    Sheet charts;
    charts.name = "Charts";
    Chart bars;
    bars.type = ChartType::Bar;
    bars.grouping = ChartGrouping::Stacked;
    bars.title = "Sales";
    bars.valueAxisTitle = "Units";
    bars.legend = LegendPosition::Bottom;
    bars.series = {{range(2, 0, 1, 0, 1), "", range(2, 1, 0, 6, 0), range(2, 1, 1, 6, 1), std::nullopt},
                   {range(2, 0, 2, 0, 2), "", range(2, 1, 0, 6, 0), range(2, 1, 2, 6, 2), std::nullopt}};
    charts.drawings.push_back(chartDrawing(bars, 0));
    Chart line;
    line.type = ChartType::Line;
    line.legend = LegendPosition::None;
    line.series = {{std::nullopt, "", std::nullopt, range(2, 1, 1, 6, 1), std::nullopt}};
    charts.drawings.push_back(chartDrawing(line, 20));
    wb.sheets.push_back(charts);

    Sheet data;
    data.name = "Data";
    wb.sheets.push_back(data);
    return wb;
}

struct Written {
    std::vector<std::uint8_t> stream;
    std::vector<Record> records;
    Warnings warnings;
};

Written write(const Workbook& wb) {
    Written w;
    const BiffStream out = buildWorkbookStream(wb, w.warnings);
    w.stream = out.bytes();
    w.records = test::splitRecords(w.stream);
    return w;
}

// One chart substream: its records from BOF to EOF.
using Substream = std::vector<Record>;

// The worksheets' records (chart substreams left out) and, per worksheet,
// its charts, in order. Fails when a chart does not follow an OBJ of type chart.
struct Layout {
    std::vector<std::vector<Record>> sheets;  // [0] the globals
    std::vector<std::vector<Substream>> charts;
};

Layout layoutOf(const std::vector<Record>& records) {
    Layout layout;
    Substream* chart = nullptr;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.id == kBof && r.u16(2) == 0x0020) {
            EXPECT_TRUE(i > 0 && records[i - 1].id == kObj && records[i - 1].u16(4) == 5)
                << "a chart substream must follow its chart OBJ";
            layout.charts.back().emplace_back();
            chart = &layout.charts.back().back();
        }
        if (chart) {
            chart->push_back(r);
            if (r.id == kEof) chart = nullptr;
            continue;
        }
        if (r.id == kBof) {
            layout.sheets.emplace_back();
            layout.charts.emplace_back();
        }
        layout.sheets.back().push_back(r);
    }
    EXPECT_EQ(chart, nullptr) << "a chart substream without its EOF";
    return layout;
}

std::vector<Record> only(const Substream& records, std::uint16_t id) {
    std::vector<Record> out;
    for (const Record& r : records)
        if (r.id == id) out.push_back(r);
    return out;
}

// EXTERNSHEET entries as (first sheet, last sheet) of this workbook.
std::vector<std::pair<std::uint16_t, std::uint16_t>> externSheets(const std::vector<Record>& globals) {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> entries;
    for (const Record& r : globals) {
        if (r.id != kExternSheet) continue;
        for (std::uint16_t k = 0; k < r.u16(0); ++k) entries.emplace_back(r.u16(2 + 6 * k + 2), r.u16(2 + 6 * k + 4));
    }
    return entries;
}

TEST(ChartRecords, EachChartIsANestedSubstreamAfterItsObj) {
    const Written w = write(chartWorkbook());
    const Layout layout = layoutOf(w.records);
    ASSERT_EQ(layout.sheets.size(), 4u);  // globals and three sheets
    ASSERT_EQ(layout.charts[1].size(), 1u);
    ASSERT_EQ(layout.charts[2].size(), 2u);
    EXPECT_EQ(layout.charts[3].size(), 0u);
    for (const auto& perSheet : layout.charts) {
        for (const Substream& chart : perSheet) {
            int depth = 0, deepest = 0;
            for (const Record& r : chart) {
                if (r.id == kBegin) deepest = std::max(deepest, ++depth);
                if (r.id == kEnd) {
                    EXPECT_GE(--depth, 0) << "END without BEGIN";
                }
            }
            EXPECT_EQ(depth, 0) << "BEGIN without END";
            EXPECT_GE(deepest, 3);  // chart > axis parent > chart format > legend
            EXPECT_EQ(chart.back().id, kEof);
        }
    }
    // The worksheet goes on after its charts: its own EOF closes it.
    for (std::size_t s = 1; s < layout.sheets.size(); ++s) EXPECT_EQ(layout.sheets[s].back().id, kEof);
}

TEST(ChartRecords, SeriesReferToTheirCellsOnTheRightSheet) {
    const Written w = write(chartWorkbook());
    const Layout layout = layoutOf(w.records);
    const auto entries = externSheets(layout.sheets[0]);
    ASSERT_FALSE(entries.empty());
    const Substream& bars = layout.charts[2][0];
    ASSERT_EQ(only(bars, kSeries).size(), 2u);
    const auto ais = only(bars, kAi);
    ASSERT_EQ(ais.size(), 2u * 4 + 1 + 2);  // four per series, the legend's text, two titles

    // Second series: name from C1, values C2:C7, categories A2:A7, all on "Data" (sheet 2).
    const Record& name = ais[4];
    ASSERT_EQ(name.data[0], 0);
    ASSERT_EQ(name.data[1], 2);  // from cells
    ASSERT_EQ(name.u16(6), 7);   // one tRef3d
    EXPECT_EQ(name.data[8], 0x3A);
    EXPECT_EQ(entries.at(name.u16(9)), std::make_pair(std::uint16_t{2}, std::uint16_t{2}));
    EXPECT_EQ(name.u16(11), 0);  // row 1
    EXPECT_EQ(name.u16(13), 2);  // column C

    const Record& values = ais[5];
    ASSERT_EQ(values.data[0], 1);
    ASSERT_EQ(values.u16(6), 11);  // one tArea3d
    EXPECT_EQ(values.data[8], 0x3B);
    EXPECT_EQ(entries.at(values.u16(9)), std::make_pair(std::uint16_t{2}, std::uint16_t{2}));
    EXPECT_EQ(values.u16(11), 1);
    EXPECT_EQ(values.u16(13), 6);
    EXPECT_EQ(values.u16(15), 2);
    EXPECT_EQ(values.u16(17), 2);

    const Record& categories = ais[6];
    ASSERT_EQ(categories.data[0], 2);
    ASSERT_EQ(categories.u16(6), 11);
    EXPECT_EQ(categories.u16(15), 0);  // column A
    EXPECT_EQ(categories.u16(17), 0);

    // The series counts its points: 6 categories, 6 values.
    const Record series = only(bars, kSeries)[1];
    EXPECT_EQ(series.u16(4), 6);
    EXPECT_EQ(series.u16(6), 6);
}

TEST(ChartRecords, NamesTitlesTypesAndLegendAreWritten) {
    const Written w = write(chartWorkbook());
    const Layout layout = layoutOf(w.records);

    const Substream& pie = layout.charts[1][0];
    EXPECT_EQ(only(pie, kPie).size(), 1u);
    EXPECT_TRUE(only(pie, kAxis).empty()) << "a pie has no axes";
    const auto pieTexts = only(pie, kSeriesText);
    ASSERT_EQ(pieTexts.size(), 1u);  // the series' own name
    EXPECT_EQ(pieTexts[0].data[2], std::string("Literal name").size());
    EXPECT_EQ(only(pie, kAi)[0].data[1], 1) << "a literal name is text, not cells";

    const Substream& bars = layout.charts[2][0];
    const auto bar = only(bars, kBar);
    ASSERT_EQ(bar.size(), 1u);
    EXPECT_EQ(bar[0].u16(4), 0x0003) << "horizontal and stacked";
    EXPECT_EQ(only(bars, kAxis).size(), 2u);
    const auto legend = only(bars, kLegend);
    ASSERT_EQ(legend.size(), 1u);
    EXPECT_EQ(legend[0].data[16], 0) << "docked at the bottom";
    std::set<std::uint16_t> owners;
    for (const Record& link : only(bars, kObjectLink)) owners.insert(link.u16(0));
    EXPECT_EQ(owners, (std::set<std::uint16_t>{1, 2})) << "the chart's title and the value axis' title";

    const Substream& line = layout.charts[2][1];
    EXPECT_EQ(only(line, kLine).size(), 1u);
    EXPECT_TRUE(only(line, kLegend).empty());
    EXPECT_EQ(only(line, kAi)[0].data[1], 0) << "a series without a name is named by the reader";
}

TEST(ChartRecords, ChartsAndNotesShareTheSheetsObjectIds) {
    const Written w = write(chartWorkbook());
    const Layout layout = layoutOf(w.records);
    const auto& sheet = layout.sheets[1];
    std::set<std::uint16_t> ids;
    std::size_t objs = 0;
    for (const Record& r : sheet) {
        if (r.id != kObj) continue;
        ++objs;
        ids.insert(r.u16(6));
    }
    EXPECT_EQ(objs, 2u);  // the pie chart and the note
    EXPECT_EQ(ids.size(), objs) << "every object has its own id";
    const auto notes = only(sheet, kNote);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_TRUE(ids.count(notes[0].u16(6))) << "the note names its own OBJ";
}

TEST(ChartRecords, EmptyChartIsStillAChart) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Empty";
    sheet.drawings.push_back(chartDrawing(Chart{}, 0));
    wb.sheets.push_back(sheet);
    const Layout layout = layoutOf(write(wb).records);
    ASSERT_EQ(layout.charts[1].size(), 1u);
    const Substream& chart = layout.charts[1][0];
    EXPECT_TRUE(only(chart, kSeries).empty());
    EXPECT_EQ(only(chart, kBar).size(), 1u);
    EXPECT_EQ(only(chart, kBegin).size(), only(chart, kEnd).size());
}

TEST(ChartRecords, ChartWithoutContentIsLeftOut) {
    Workbook wb = chartWorkbook();
    wb.sheets[1].drawings[1].chart.reset();  // the reader could not read it, and warned
    const Written w = write(wb);
    const Layout layout = layoutOf(w.records);
    EXPECT_EQ(layout.charts[2].size(), 1u);
    std::size_t objs = 0;
    for (const Record& r : layout.sheets[2]) objs += r.id == kObj;
    EXPECT_EQ(objs, 1u);
}

}  // namespace
}  // namespace brindlemoor::office::xls
