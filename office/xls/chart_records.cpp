#include "office/xls/chart_records.h"

#include "office/xls/excel_limits.h"
#include "office/xls/sheet_records.h"
#include "office/xls/unicode_text.h"

#include <algorithm>

namespace brindlemoor::office::xls {
namespace {

constexpr std::uint16_t kBofChart = 0x0020;
constexpr std::uint16_t kHeader = 0x0014, kFooter = 0x0015, kHCenter = 0x0083, kVCenter = 0x0084, kSetup = 0x00A1;
constexpr std::uint16_t kPrintSize = 0x0033, kProtect = 0x0012;
constexpr std::uint16_t kUnits = 0x1001, kChart = 0x1002, kSeries = 0x1003, kLineFormat = 0x1007, kAreaFormat = 0x100A;
constexpr std::uint16_t kSeriesText = 0x100D, kChartFormat = 0x1014, kLegend = 0x1015, kBar = 0x1017, kLine = 0x1018;
constexpr std::uint16_t kPie = 0x1019, kArea = 0x101A, kScatter = 0x101B, kAxis = 0x101D, kTick = 0x101E;
constexpr std::uint16_t kValueRange = 0x101F, kCatSerRange = 0x1020, kAxisLine = 0x1021, kText = 0x1025;
constexpr std::uint16_t kObjectLink = 0x1027, kFrame = 0x1032, kBegin = 0x1033, kEnd = 0x1034, kPlotArea = 0x1035;
constexpr std::uint16_t kAxisParent = 0x1041, kShtProps = 0x1044, kSerToCrt = 0x1045, kAxesUsed = 0x1046;
constexpr std::uint16_t kPos = 0x104F, kAi = 0x1051, kAxcExt = 0x1062;

constexpr std::uint16_t kChartForeground = 0x004D, kChartBackground = 0x004E;  // the palette's chart colours
constexpr std::uint32_t kMaxPoints = 32000;                                       // per series
constexpr std::size_t kMaxLabel = 255;

// Default chart size in points; readers size an embedded chart by its anchor.
constexpr std::uint32_t kWidthPt = 360, kHeightPt = 216;

// AI: which part of a series it gives, and how.
enum class Link : std::uint8_t { Name = 0, Values = 1, Categories = 2, BubbleSizes = 3 };
enum class Source : std::uint8_t { Automatic = 0, Text = 1, Cells = 2 };

// OBJECTLINK: what an attached label belongs to.
constexpr std::uint16_t kTitleOfChart = 1, kTitleOfValueAxis = 2, kTitleOfCategoryAxis = 3;

class ChartWriter {
public:
    ChartWriter(BiffStream& out, const SheetLink& link) : out_(out), link_(link) {}

    void write(const Chart& chart) {
        writeBof(out_, kBofChart);
        pageSetup();
        out_.record16(kUnits, 0);
        {
            // CHART: position and size, 16.16 fixed-point points.
            const auto start = out_.beginRecord(kChart);
            out_.u32(0);
            out_.u32(0);
            out_.u32(kWidthPt << 16);
            out_.u32(kHeightPt << 16);
            out_.endRecord(start);
        }
        begin();
        frame();
        // Excel 97 draws a radar chart with axes of its own; lines are the nearest without them.
        const ChartType type = chart.type == ChartType::Radar ? ChartType::Line : chart.type;
        for (const ChartSeries& s : chart.series) series(s);
        {
            // SHTPROPS: plot visible cells only, plot area laid out by the chart; gaps for empty cells.
            const auto start = out_.beginRecord(kShtProps);
            out_.u16(0x000A);
            out_.u8(0);
            out_.u8(0);
            out_.endRecord(start);
        }
        out_.record16(kAxesUsed, 1);
        axisParent(chart, type);
        if (!chart.title.empty()) label(chart.title, kTitleOfChart);
        if (type != ChartType::Pie) {
            if (!chart.valueAxisTitle.empty()) label(chart.valueAxisTitle, kTitleOfValueAxis);
            if (!chart.categoryAxisTitle.empty()) label(chart.categoryAxisTitle, kTitleOfCategoryAxis);
        }
        end();
        writeEof(out_);
    }

private:
    void begin() { out_.record(kBegin, {}); }
    void end() { out_.record(kEnd, {}); }

    void pageSetup() {
        out_.record(kHeader, {});
        out_.record(kFooter, {});
        out_.record16(kHCenter, 0);
        out_.record16(kVCenter, 0);
        // SETUP: paper, scale, first page, fit width and height, flags (no
        // printer data, portrait), resolutions, header and footer margins, copies.
        const auto start = out_.beginRecord(kSetup);
        out_.u16(0);
        out_.u16(100);
        out_.u16(1);
        out_.u16(1);
        out_.u16(1);
        out_.u16(0x0004);
        out_.u16(300);
        out_.u16(300);
        out_.f64(0.5);
        out_.f64(0.5);
        out_.u16(1);
        out_.endRecord(start);
        out_.record16(kPrintSize, 3);  // as the chart's window is sized
        out_.record16(kProtect, 0);
    }

    // LINEFORMAT and AREAFORMAT left to the reader's automatic colours.
    void automaticLine(std::uint16_t pattern = 0) {
        const auto start = out_.beginRecord(kLineFormat);
        out_.u32(0);                 // colour
        out_.u16(pattern);           // 0 solid, 5 none
        out_.u16(0xFFFF);            // hairline
        out_.u16(0x0009);            // automatic, automatic colour
        out_.u16(kChartForeground);
        out_.endRecord(start);
    }
    void automaticArea() {
        const auto start = out_.beginRecord(kAreaFormat);
        out_.u32(0x00FFFFFF);
        out_.u32(0);
        out_.u16(1);                 // solid
        out_.u16(0x0001);            // automatic
        out_.u16(kChartBackground);
        out_.u16(kChartForeground);
        out_.endRecord(start);
    }

    void frame() {
        const auto start = out_.beginRecord(kFrame);
        out_.u16(0);       // no border shadow
        out_.u16(0x0003);  // automatic size and position
        out_.endRecord(start);
        begin();
        automaticLine();
        automaticArea();
        end();
    }

    void pos() {
        // POS: positioned by the reader (mode 2 for both corners, no offsets).
        const auto start = out_.beginRecord(kPos);
        out_.u16(2);
        out_.u16(2);
        out_.zeros(16);
        out_.endRecord(start);
    }

    // AI with a reference to cells, or with none.
    void ai(Link link, Source source, const std::optional<ChartRange>& range) {
        std::vector<std::uint8_t> tokens;
        const auto put16 = [&](std::uint32_t v) {
            tokens.push_back(static_cast<std::uint8_t>(v));
            tokens.push_back(static_cast<std::uint8_t>(v >> 8));
        };
        if (source == Source::Cells && range) {
            const auto sheet = link_(range->sheet);
            const CellRange& c = range->cells;
            if (sheet && c.firstRow < kMaxRows && c.firstColumn < kMaxColumns) {
                const auto lastRow = std::min<std::uint32_t>(c.lastRow, kMaxRows - 1);
                const auto lastColumn = std::min<std::uint32_t>(c.lastColumn, kMaxColumns - 1);
                if (c.firstRow == lastRow && c.firstColumn == lastColumn) {
                    tokens.push_back(0x3A);  // tRef3d, reference class
                    put16(*sheet);
                    put16(c.firstRow);
                    put16(c.firstColumn);
                } else {
                    tokens.push_back(0x3B);  // tArea3d, reference class
                    put16(*sheet);
                    put16(c.firstRow);
                    put16(lastRow);
                    put16(c.firstColumn);
                    put16(lastColumn);
                }
            }
        }
        if (source == Source::Cells && tokens.empty()) source = Source::Automatic;
        const auto start = out_.beginRecord(kAi);
        out_.u8(static_cast<std::uint8_t>(link));
        out_.u8(static_cast<std::uint8_t>(source));
        out_.u16(0);  // the cells' own number format
        out_.u16(0);
        out_.u16(static_cast<std::uint16_t>(tokens.size()));
        out_.raw(tokens.data(), tokens.size());
        out_.endRecord(start);
    }

    void seriesText(const std::string& text) {
        const std::u16string wide(cutUtf16(toUtf16(text), kMaxLabel));
        const auto start = out_.beginRecord(kSeriesText);
        out_.u16(0);
        out_.u8(static_cast<std::uint8_t>(wide.size()));
        out_.u8(1);  // UTF-16
        for (char16_t c : wide) out_.u16(c);
        out_.endRecord(start);
    }

    static std::uint16_t points(const std::optional<ChartRange>& range) {
        if (!range) return 0;
        const CellRange& c = range->cells;
        const std::uint64_t rows = std::uint64_t{std::min<std::uint32_t>(c.lastRow, kMaxRows - 1)} - std::min<std::uint32_t>(c.firstRow, kMaxRows - 1) + 1;
        const std::uint64_t columns = std::uint64_t{std::min<std::uint32_t>(c.lastColumn, kMaxColumns - 1)} - std::min<std::uint32_t>(c.firstColumn, kMaxColumns - 1) + 1;
        return static_cast<std::uint16_t>(std::min<std::uint64_t>(rows * columns, kMaxPoints));
    }

    void series(const ChartSeries& s) {
        // SERIES: categories and values numeric (text categories are read as
        // such from their cells), their point counts, no bubble sizes.
        const auto start = out_.beginRecord(kSeries);
        out_.u16(1);
        out_.u16(1);
        out_.u16(points(s.categories));
        out_.u16(points(s.values));
        out_.u16(1);
        out_.u16(0);
        out_.endRecord(start);
        begin();
        if (s.nameCell) {
            ai(Link::Name, Source::Cells, s.nameCell);
        } else if (!s.name.empty()) {
            ai(Link::Name, Source::Text, std::nullopt);
            seriesText(s.name);
        } else {
            ai(Link::Name, Source::Automatic, std::nullopt);
        }
        ai(Link::Values, Source::Cells, s.values);
        ai(Link::Categories, s.categories ? Source::Cells : Source::Automatic, s.categories);
        ai(Link::BubbleSizes, Source::Automatic, std::nullopt);
        out_.record16(kSerToCrt, 0);  // the chart's only group
        end();
    }

    void tick() {
        // TICK: major marks outside, no minor marks, labels next to the
        // axis, transparent; automatic colour, mode and rotation.
        const auto start = out_.beginRecord(kTick);
        out_.u8(2);
        out_.u8(0);
        out_.u8(3);
        out_.u8(1);
        out_.u32(0);
        out_.zeros(16);
        out_.u16(0x0023);
        out_.u16(kChartForeground);
        out_.u16(0);
        out_.endRecord(start);
    }

    void axisLine(std::uint16_t which) {
        out_.record16(kAxisLine, which);  // 0 the axis, 1 its major gridlines
        automaticLine();
    }

    void axis(std::uint16_t kind, bool categories, bool between, bool gridlines) {
        const auto start = out_.beginRecord(kAxis);
        out_.u16(kind);  // 0 categories (x), 1 values (y)
        out_.zeros(16);
        out_.endRecord(start);
        begin();
        if (categories) {
            // CATSERRANGE: crossing, label and mark every category; bars between marks.
            const auto range = out_.beginRecord(kCatSerRange);
            out_.u16(1);
            out_.u16(1);
            out_.u16(1);
            out_.u16(between ? 0x0001 : 0x0000);
            out_.endRecord(range);
            // AXCEXT: everything automatic.
            const auto extent = out_.beginRecord(kAxcExt);
            out_.zeros(16);
            out_.u16(0x00FF);
            out_.endRecord(extent);
        } else {
            // VALUERANGE: minimum, maximum, units and crossing all automatic.
            const auto range = out_.beginRecord(kValueRange);
            for (int i = 0; i < 5; ++i) out_.f64(0);
            out_.u16(0x011F);
            out_.endRecord(range);
        }
        tick();
        axisLine(0);
        if (gridlines) axisLine(1);
        end();
    }

    void axisParent(const Chart& chart, ChartType type) {
        const auto start = out_.beginRecord(kAxisParent);
        out_.u16(0);  // the primary axes
        out_.zeros(16);
        out_.endRecord(start);
        begin();
        pos();
        if (type != ChartType::Pie) {
            const bool bars = type == ChartType::Column || type == ChartType::Bar;
            axis(0, type != ChartType::Scatter, bars, false);
            axis(1, false, false, true);
        }
        out_.record(kPlotArea, {});
        frame();
        chartFormat(chart, type);
        end();
    }

    void chartFormat(const Chart& chart, ChartType type) {
        const auto start = out_.beginRecord(kChartFormat);
        out_.zeros(16);
        out_.u16(type == ChartType::Pie ? 0x0001 : 0x0000);  // a pie's slices vary in colour
        out_.u16(0);                                        // drawn first
        out_.endRecord(start);
        begin();
        const bool stacked = chart.grouping != ChartGrouping::Clustered;
        const bool percent = chart.grouping == ChartGrouping::Percent;
        switch (type) {
        case ChartType::Column:
        case ChartType::Bar: {
            // BAR: overlap (stacked bars lie on each other), gap, flags
            // (horizontal, stacked, percent).
            const auto bar = out_.beginRecord(kBar);
            out_.u16(stacked ? 100 : 0);
            out_.u16(150);
            out_.u16(static_cast<std::uint16_t>((type == ChartType::Bar ? 0x1 : 0) | (stacked ? 0x2 : 0) | (percent ? 0x4 : 0)));
            out_.endRecord(bar);
            break;
        }
        case ChartType::Line:
        case ChartType::Radar:
            out_.record16(kLine, static_cast<std::uint16_t>((stacked ? 0x1 : 0) | (percent ? 0x2 : 0)));
            break;
        case ChartType::Area:
            out_.record16(kArea, static_cast<std::uint16_t>((stacked ? 0x1 : 0) | (percent ? 0x2 : 0)));
            break;
        case ChartType::Pie: {
            const auto pie = out_.beginRecord(kPie);
            out_.u16(0);  // first slice at the top
            out_.u16(0);  // no hole
            out_.u16(0);
            out_.endRecord(pie);
            break;
        }
        case ChartType::Scatter: {
            const auto scatter = out_.beginRecord(kScatter);
            out_.u16(100);
            out_.u16(1);
            out_.u16(0);
            out_.endRecord(scatter);
            break;
        }
        }
        if (chart.legend != LegendPosition::None) legend(chart.legend);
        end();
    }

    void legend(LegendPosition position) {
        std::uint8_t dock = 3;
        switch (position) {
        case LegendPosition::Bottom: dock = 0; break;
        case LegendPosition::Top: dock = 2; break;
        case LegendPosition::Left: dock = 4; break;
        default: dock = 3; break;
        }
        const bool vertical = dock == 3 || dock == 4;
        const auto start = out_.beginRecord(kLegend);
        out_.zeros(16);
        out_.u8(dock);
        out_.u8(1);  // medium spacing
        out_.u16(vertical ? 0x001F : 0x000F);  // docked, placed automatically
        out_.endRecord(start);
        begin();
        pos();
        text(0x00B1);  // generated, automatic text
        begin();
        pos();
        ai(Link::Name, Source::Automatic, std::nullopt);
        end();
        end();
    }

    void text(std::uint16_t flags) {
        // TEXT: centred, transparent, automatic colour; position left to the reader.
        const auto start = out_.beginRecord(kText);
        out_.u8(2);
        out_.u8(2);
        out_.u16(1);
        out_.u32(0);
        out_.zeros(16);
        out_.u16(flags);
        out_.u16(kChartForeground);
        out_.u16(0);
        out_.u16(0);
        out_.endRecord(start);
    }

    // A title: the chart's, or an axis'.
    void label(const std::string& title, std::uint16_t owner) {
        text(0x0081);
        begin();
        pos();
        ai(Link::Name, Source::Text, std::nullopt);
        seriesText(title);
        const auto start = out_.beginRecord(kObjectLink);
        out_.u16(owner);
        out_.u16(0);
        out_.u16(0);
        out_.endRecord(start);
        end();
    }

    BiffStream& out_;
    const SheetLink& link_;
};

}  // namespace

void writeChartSubstream(BiffStream& out, const Chart& chart, const SheetLink& link) { ChartWriter(out, link).write(chart); }

}  // namespace brindlemoor::office::xls
