// Reads the pictures and drawing shapes of a table (draw:frame with an
// image or a text box, draw:rect, draw:ellipse, draw:circle, draw:line,
// draw:custom-shape), anchored to a cell or placed on the sheet's page, and
// the groups (draw:g) that hold them; counts what cannot be kept (charts,
// embedded objects, controls, other geometry).
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"
#include "office/ods/chart_reader.h"
#include "office/ods/control_reader.h"
#include "office/ods/style_sheet.h"
#include "office/ods/text_runs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brindlemoor::office::ods {

class XmlReader;
class ZipPackage;

// A picture whose bytes are another member of the package, read once the
// content is: the members a frame offers, best first. A chart's is its
// object's folder, or the document a flat file held inline.
struct PendingPicture {
    std::uint32_t sheet = 0;
    std::size_t drawing = 0;
    std::vector<std::string> members;
    bool isChart = false;
    std::shared_ptr<const ChartDocument> chart;
};

// A shape's text while it is read, with the marks of its parts in fonts of their own.
struct ShapeText {
    std::string text;  // paragraphs joined by '\n'
    TextRunMarks marks;
    int paragraphs = 0;
};

class DrawingReader {
public:
    struct CellPosition {
        RowIndex row;
        ColumnIndex column;
    };
    struct Lost {
        int images = 0, objects = 0, shapes = 0, controls = 0, texts = 0;
    };

    // Texts in fonts of their own are runs over the default format's font of `workbook`.
    DrawingReader(StyleSheet& styles, const Workbook& workbook) : styles_(styles), workbook_(workbook) {}

    // Reads the draw:* element the reader stands on; `cell` is the cell that
    // holds it, unset for shapes placed on the page.
    void read(XmlReader& xml, std::optional<CellPosition> cell);

    // Reads the table's office:forms, which the draw:control shapes after it name.
    void readForms(XmlReader& xml) { controls_.readForms(xml); }

    // Once the sheet's rows and columns are known: anchors the shapes to
    // cells and appends them to the sheet. Pictures still to be read from
    // the package go to `pending`, as sheet `sheetIndex`.
    void finish(Sheet& sheet, std::uint32_t sheetIndex, std::vector<PendingPicture>* pending);

    const Lost& lost() const { return lost_; }

private:
    struct Placed {
        Drawing drawing;
        std::optional<CellPosition> cell;
        double x = 0, y = 0, width = 0, height = 0;  // points, on the sheet's page
        std::optional<CellPosition> endCell;
        double endX = 0, endY = 0;                   // points into the end cell
        std::vector<std::string> members;            // picture members of the package
        std::shared_ptr<const ChartDocument> chart;  // a chart held inline
        long long outerZIndex = 0;                   // drawing order of its outermost group, or its own
        long long zIndex = 0;                        // drawing order, back to front
        std::optional<std::uint32_t> group;          // the innermost group holding it, in groups_
    };

    void readFrame(XmlReader& xml, Placed placed, ShapeText& text);
    void readGeometry(XmlReader& xml, Placed& placed, ShapeText& text);
    void applyStyle(const XmlReader& xml, Drawing& drawing, bool isFrame) const;
    ShapeText startText(const XmlReader& xml, bool isFrame);
    void readText(XmlReader& xml, ShapeText& shape);
    void keepText(Drawing& drawing, ShapeText& shape) const;

    StyleSheet& styles_;
    const Workbook& workbook_;
    ControlReader controls_;
    std::vector<Placed> placed_;
    std::vector<DrawingGroup> groups_;           // the groups read, parents before members
    std::optional<std::uint32_t> currentGroup_;  // the group being read
    long long groupZIndex_ = 0;                  // the z-index of the group being read
    long long outerZIndex_ = 0;                  // the z-index of the outermost group being read
    Lost lost_;
};

// The cell of an end address such as "Sheet1.D5" or "'My sheet'.$D$5".
std::optional<DrawingReader::CellPosition> parseCellAddress(std::string_view address);

// Decodes base64 text (white space ignored); unset when it is not base64.
std::optional<std::string> decodeBase64(std::string_view text);

// Reads the bytes of pending pictures from the package (none for a flat
// file); a picture none of whose members is a PNG or JPEG image is taken off
// its sheet and warned about.
void loadPictures(ZipPackage* package, Workbook& workbook, const std::vector<PendingPicture>& pending, Warnings& warnings);

}  // namespace brindlemoor::office::ods
