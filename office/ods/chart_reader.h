// Reads a chart object: the chart:chart of an embedded object's content
// (a member folder of the package such as "Object 1/", or inline in a flat
// file), with its type, series, title, legend and axis titles. Its cell
// ranges name sheets that may come later in the document, so they are kept
// as text until the whole workbook is read and then resolved.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlemoor::office::ods {

class XmlReader;
class ZipPackage;
struct PendingPicture;

// A chart as its object describes it, its ranges still addresses such as
// "Sheet1.B2:Sheet1.B9" or "'My sheet'.$A$1:.$A$3".
struct ChartDocument {
    struct SeriesAddresses {
        std::string name;        // the cell that names the series
        std::string categories;  // the series' own domain (x values of a scatter chart)
        std::string values;
    };
    Chart chart;                           // `series` holds names and colours; ranges are in `addresses`
    std::vector<SeriesAddresses> addresses;  // one per series
    std::string categories;                // the category axis' labels
    bool sawChart = false;                 // a chart:chart element was found
};

// Reads the chart document the reader stands on: the root of an object's
// content.xml, or a draw:object holding the document inline.
ChartDocument readChartDocument(XmlReader& xml);

// The chart with its ranges resolved against the workbook's sheets; unset,
// with the reason in `why`, when Excel 97 cannot draw it from cells.
std::optional<Chart> resolveChart(const ChartDocument& document, const Workbook& workbook, std::string& why);

// "Sheet1.B2:Sheet1.B9" (or "Sheet1.B2" alone) as a sheet name and cells;
// a second address without a sheet ("Sheet1.A1:.A3") is on the first one's.
struct ParsedRange {
    std::string sheet;
    CellRange cells;
};
std::optional<ParsedRange> parseRangeAddress(std::string_view address);

// Reads the charts among `pending` from their object members (or from what
// the flat file held inline) into their drawings, after loadPictures; a
// chart that cannot be read or drawn from cells is taken off its sheet and
// warned about.
void loadCharts(ZipPackage* package, Workbook& workbook, const std::vector<PendingPicture>& pending, Warnings& warnings);

}  // namespace brindlemoor::office::ods
