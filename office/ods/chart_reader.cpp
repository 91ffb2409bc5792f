#include "office/ods/chart_reader.h"

#include "office/ods/drawing_reader.h"
#include "office/ods/package.h"
#include "office/ods/values.h"
#include "office/ods/xml_reader.h"

#include <map>

namespace brindlemoor::office::ods {
namespace {

constexpr std::size_t kMaxSeries = 255;  // Excel 97's limit per chart

// What a chart's automatic styles say about its plot area and series.
struct ChartStyle {
    bool horizontal = false;  // bars drawn from the left
    bool stacked = false;
    bool percent = false;
    std::optional<Color> fill;
    std::optional<Color> stroke;
};

using ChartStyles = std::map<std::string, ChartStyle, std::less<>>;

void readStyle(XmlReader& xml, ChartStyles& styles) {
    ChartStyle style;
    const std::string name(xml.attribute(Ns::Style, "name").value_or(""));
    while (xml.nextChild()) {
        if (xml.is(Ns::Style, "chart-properties")) {
            style.horizontal = xml.attribute(Ns::Chart, "vertical").value_or("") == "true";
            style.stacked = xml.attribute(Ns::Chart, "stacked").value_or("") == "true";
            style.percent = xml.attribute(Ns::Chart, "percentage").value_or("") == "true";
        } else if (xml.is(Ns::Style, "graphic-properties")) {
            if (xml.attribute(Ns::Draw, "fill").value_or("") != "none") {
                if (auto fill = xml.attribute(Ns::Draw, "fill-color")) style.fill = parseColor(*fill);
            }
            if (auto stroke = xml.attribute(Ns::Svg, "stroke-color")) style.stroke = parseColor(*stroke);
        }
        xml.skipElement();
    }
    if (!name.empty()) styles[name] = style;
}

const ChartStyle* styleOf(const XmlReader& xml, const ChartStyles& styles) {
    const auto name = xml.attribute(Ns::Chart, "style-name");
    if (!name) return nullptr;
    auto found = styles.find(*name);
    return found == styles.end() ? nullptr : &found->second;
}

// The text of the paragraphs of a title, one line each.
std::string readTitle(XmlReader& xml) {
    std::string text;
    while (xml.nextChild()) {
        if (xml.is(Ns::Text, "p")) {
            if (!text.empty()) text += '\n';
            text += xml.readText();
        } else {
            xml.skipElement();
        }
    }
    return text;
}

ChartType typeOfClass(std::string_view value) {
    if (auto colon = value.find(':'); colon != std::string_view::npos) value.remove_prefix(colon + 1);
    if (value == "line" || value == "stock") return ChartType::Line;
    if (value == "area") return ChartType::Area;
    if (value == "circle" || value == "ring") return ChartType::Pie;
    if (value == "scatter" || value == "bubble") return ChartType::Scatter;
    if (value == "radar" || value == "filled-radar") return ChartType::Radar;
    return ChartType::Column;
}

LegendPosition legendOf(std::string_view position) {
    if (position == "start") return LegendPosition::Left;
    if (position == "top") return LegendPosition::Top;
    if (position == "bottom") return LegendPosition::Bottom;
    return LegendPosition::Right;
}

class ChartDocumentReader {
public:
    ChartDocument read(XmlReader& xml) {
        walk(xml);
        return std::move(document_);
    }

private:
    // Office containers lead to the styles and to the chart; anything else
    // is skipped.
    void walk(XmlReader& xml) {
        while (xml.nextChild()) {
            if (xml.is(Ns::Style, "style")) {
                readStyle(xml, styles_);
            } else if (xml.is(Ns::Chart, "chart") && !document_.sawChart) {
                readChart(xml);
            } else if (xml.ns() == Ns::Office) {
                walk(xml);
            } else {
                xml.skipElement();
            }
        }
    }

    void readChart(XmlReader& xml) {
        document_.sawChart = true;
        Chart& chart = document_.chart;
        chart.type = typeOfClass(xml.attribute(Ns::Chart, "class").value_or(""));
        chart.legend = LegendPosition::None;
        while (xml.nextChild()) {
            if (xml.is(Ns::Chart, "title")) {
                chart.title = readTitle(xml);
            } else if (xml.is(Ns::Chart, "legend")) {
                chart.legend = legendOf(xml.attribute(Ns::Chart, "legend-position").value_or("end"));
                xml.skipElement();
            } else if (xml.is(Ns::Chart, "plot-area")) {
                if (const ChartStyle* style = styleOf(xml, styles_)) {
                    if (style->horizontal && chart.type == ChartType::Column) chart.type = ChartType::Bar;
                    if (style->percent) chart.grouping = ChartGrouping::Percent;
                    else if (style->stacked) chart.grouping = ChartGrouping::Stacked;
                }
                readPlotArea(xml);
            } else {
                xml.skipElement();
            }
        }
    }

    void readPlotArea(XmlReader& xml) {
        Chart& chart = document_.chart;
        while (xml.nextChild()) {
            if (xml.is(Ns::Chart, "axis")) {
                const std::string_view dimension = xml.attribute(Ns::Chart, "dimension").value_or("");
                const bool primary = !xml.attribute(Ns::Chart, "name").value_or("").starts_with("secondary");
                while (xml.nextChild()) {
                    if (xml.is(Ns::Chart, "categories") && dimension == "x" && document_.categories.empty()) {
                        document_.categories = std::string(xml.attribute(Ns::Table, "cell-range-address").value_or(""));
                        xml.skipElement();
                    } else if (xml.is(Ns::Chart, "title") && primary) {
                        (dimension == "x" ? chart.categoryAxisTitle : chart.valueAxisTitle) = readTitle(xml);
                    } else {
                        xml.skipElement();
                    }
                }
            } else if (xml.is(Ns::Chart, "series")) {
                readSeries(xml);
            } else {
                xml.skipElement();
            }
        }
    }

    void readSeries(XmlReader& xml) {
        if (document_.chart.series.size() > kMaxSeries) {  // one beyond is enough to refuse the chart
            xml.skipElement();
            return;
        }
        ChartSeries series;
        ChartDocument::SeriesAddresses addresses;
        addresses.values = std::string(xml.attribute(Ns::Chart, "values-cell-range-address").value_or(""));
        if (auto label = xml.attribute(Ns::Chart, "label-cell-address")) addresses.name = std::string(*label);
        else if (auto range = xml.attribute(Ns::Chart, "label-cell-range-address")) addresses.name = std::string(*range);
        if (const ChartStyle* style = styleOf(xml, styles_)) {
            const bool lines = document_.chart.type == ChartType::Line || document_.chart.type == ChartType::Scatter ||
                               document_.chart.type == ChartType::Radar;
            series.color = lines ? (style->stroke ? style->stroke : style->fill) : style->fill;
        }
        while (xml.nextChild()) {
            if (xml.is(Ns::Chart, "domain") && addresses.categories.empty()) {
                addresses.categories = std::string(xml.attribute(Ns::Table, "cell-range-address").value_or(""));
            }
            xml.skipElement();
        }
        document_.chart.series.push_back(std::move(series));
        document_.addresses.push_back(std::move(addresses));
    }

    ChartDocument document_;
    ChartStyles styles_;
};

// "'It''s'" is the sheet "It's".
std::string unquoteSheet(std::string_view name) {
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') {
        std::string out;
        name = name.substr(1, name.size() - 2);
        for (std::size_t i = 0; i < name.size(); ++i) {
            out += name[i];
            if (name[i] == '\'' && i + 1 < name.size() && name[i + 1] == '\'') ++i;
        }
        return out;
    }
    return std::string(name);
}

// The sheet part of "Sheet1.B2" ("" when it names none) and the cell.
std::optional<std::pair<std::string, DrawingReader::CellPosition>> splitAddress(std::string_view address) {
    if (!address.empty() && address.front() == '$') address.remove_prefix(1);
    std::size_t dot = std::string_view::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (address[i] == '\'') quoted = !quoted;
        else if (address[i] == '.' && !quoted) dot = i;
    }
    auto cell = parseCellAddress(address);
    if (!cell) return std::nullopt;
    return std::pair{dot == std::string_view::npos ? std::string() : unquoteSheet(address.substr(0, dot)), *cell};
}

std::optional<std::uint32_t> sheetIndex(const Workbook& workbook, std::string_view name) {
    for (std::uint32_t i = 0; i < workbook.sheets.size(); ++i) {
        if (workbook.sheets[i].name == name) return i;
    }
    return std::nullopt;
}

// A range of the workbook; "" gives none, and so does an address Excel 97
// cannot refer to (another document, several ranges, an unknown sheet).
std::optional<ChartRange> resolveRange(std::string_view address, const Workbook& workbook, bool& unusable) {
    if (address.empty()) return std::nullopt;
    auto parsed = parseRangeAddress(address);
    std::optional<std::uint32_t> sheet;
    if (parsed) sheet = sheetIndex(workbook, parsed->sheet);
    if (!parsed || !sheet) {
        unusable = true;
        return std::nullopt;
    }
    return ChartRange{*sheet, parsed->cells};
}

}  // namespace

std::optional<ParsedRange> parseRangeAddress(std::string_view address) {
    while (!address.empty() && address.front() == ' ') address.remove_prefix(1);
    while (!address.empty() && address.back() == ' ') address.remove_suffix(1);
    std::size_t colon = std::string_view::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (address[i] == '\'') quoted = !quoted;
        else if (!quoted && address[i] == ' ') return std::nullopt;  // a list of ranges
        else if (!quoted && address[i] == ':' && colon == std::string_view::npos) colon = i;
    }
    auto first = splitAddress(address.substr(0, colon));
    if (!first || first->first.empty()) return std::nullopt;
    auto last = first;
    if (colon != std::string_view::npos) {
        last = splitAddress(address.substr(colon + 1));
        if (!last || (!last->first.empty() && last->first != first->first)) return std::nullopt;
    }
    ParsedRange range;
    range.sheet = first->first;
    range.cells.firstRow = std::min(first->second.row, last->second.row);
    range.cells.lastRow = std::max(first->second.row, last->second.row);
    range.cells.firstColumn = std::min(first->second.column, last->second.column);
    range.cells.lastColumn = std::max(first->second.column, last->second.column);
    return range;
}

ChartDocument readChartDocument(XmlReader& xml) { return ChartDocumentReader().read(xml); }

std::optional<Chart> resolveChart(const ChartDocument& document, const Workbook& workbook, std::string& why) {
    if (!document.sawChart) {
        why = "the object holds no chart";
        return std::nullopt;
    }
    if (document.chart.series.size() > kMaxSeries) {
        why = "more than 255 series";
        return std::nullopt;
    }
    Chart chart = document.chart;
    bool unusable = false;
    const auto categories = resolveRange(document.categories, workbook, unusable);
    for (std::size_t i = 0; i < chart.series.size(); ++i) {
        ChartSeries& series = chart.series[i];
        const ChartDocument::SeriesAddresses& addresses = document.addresses[i];
        auto values = resolveRange(addresses.values, workbook, unusable);
        if (!values) {
            why = addresses.values.empty() ? "its data is held in the chart, not in cells" : "its data is not one range of cells of the workbook";
            return std::nullopt;
        }
        series.values = *values;
        bool ignored = false;  // a name or labels Excel cannot refer to only leave them out
        series.nameCell = resolveRange(addresses.name, workbook, ignored);
        series.categories = addresses.categories.empty() || chart.type != ChartType::Scatter
                                ? categories
                                : resolveRange(addresses.categories, workbook, ignored);
        if (!series.categories && chart.type == ChartType::Scatter) series.categories = categories;
    }
    return chart;
}

void loadCharts(ZipPackage* package, Workbook& workbook, const std::vector<PendingPicture>& pending, Warnings& warnings) {
    // Pictures that could not be read have left their sheets by now, so a
    // chart is found by its place among its sheet's charts, which every
    // pending chart entry keeps in order.
    std::vector<std::vector<Drawing*>> charts(workbook.sheets.size());
    for (std::size_t s = 0; s < workbook.sheets.size(); ++s) {
        for (Drawing& drawing : workbook.sheets[s].drawings) {
            if (drawing.kind == DrawingKind::Chart) charts[s].push_back(&drawing);
        }
    }
    std::vector<std::size_t> next(workbook.sheets.size(), 0);
    for (const PendingPicture& entry : pending) {
        if (!entry.isChart || entry.sheet >= workbook.sheets.size() || next[entry.sheet] >= charts[entry.sheet].size()) continue;
        Drawing& drawing = *charts[entry.sheet][next[entry.sheet]++];
        std::string why = "its object is missing from the file";
        std::optional<Chart> chart;
        try {
            if (entry.chart) {
                chart = resolveChart(*entry.chart, workbook, why);
            } else if (package && !entry.members.empty()) {
                std::string folder = entry.members.front();
                if (!folder.empty() && folder.back() != '/') folder += '/';
                if (const auto member = package->find(folder + "content.xml")) {
                    XmlReader xml(*member, package->stream(*member));
                    XmlEvent event = xml.next();
                    while (event == XmlEvent::Text) event = xml.next();
                    if (event == XmlEvent::Start) chart = resolveChart(readChartDocument(xml), workbook, why);
                }
            }
        } catch (const ConversionError& error) {
            why = std::string("its object cannot be read: ") + error.what();
            chart.reset();
        }
        if (chart) {
            drawing.chart = std::move(chart);
        } else {
            const std::string name = drawing.name.empty() ? std::string() : "\"" + drawing.name + "\": ";
            warnings.push_back(workbook.sheets[entry.sheet].name + ": 1 chart or embedded object not converted (" + name + why + ")");
        }
    }
    for (Sheet& sheet : workbook.sheets) {
        std::erase_if(sheet.drawings, [](const Drawing& d) { return d.kind == DrawingKind::Chart && !d.chart; });
    }
}

}  // namespace brindlemoor::office::ods
