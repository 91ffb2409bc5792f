// Reads one table:table element into a sheet: columns, rows, cells and
// their text, merged ranges, annotations, links, pictures and shapes, and a
// count of what cannot be converted.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"
#include "office/ods/conditional_format_reader.h"
#include "office/ods/drawing_reader.h"
#include "office/ods/style_sheet.h"
#include "office/ods/text_runs.h"
#include "office/ods/unread_values.h"

#include <string>
#include <vector>

namespace brindlemoor::office::ods {

class XmlReader;

struct TableContext {
    Workbook& workbook;
    StyleSheet& styles;
    Warnings& warnings;
    double nullDateOffset = 0;  // days from 1899-12-30 to the document's null date
    std::vector<PendingPicture>* pictures = nullptr;  // pictures to read from the package afterwards
};

class TableReader {
public:
    explicit TableReader(TableContext context) : context_(context), drawings_(context.styles, context.workbook) {}

    // Reads the table the reader stands on and appends it to the workbook.
    void read(XmlReader& xml);

private:
    struct ColumnDefault {
        ColumnIndex first;
        std::uint32_t repeat;
        std::string styleName;
    };

    void readColumns(XmlReader& xml, std::uint8_t outlineLevel);
    void readHeaderColumns(XmlReader& xml, std::uint8_t outlineLevel);
    void readColumn(XmlReader& xml, std::uint8_t outlineLevel);
    void readRows(XmlReader& xml, std::uint8_t outlineLevel);
    void readHeaderRows(XmlReader& xml, std::uint8_t outlineLevel);
    void readRow(XmlReader& xml, std::uint8_t outlineLevel);
    void readCell(XmlReader& xml, Row& row, bool rowIsDefault);
    void readCellContent(XmlReader& xml);
    // Reads inline text into `out`; spans in fonts of their own are marked in `runs`, if given.
    void readInline(XmlReader& xml, std::string& out, TextRunMarks* runs = nullptr);
    std::uint32_t readAnnotation(XmlReader& xml);
    void readShapes(XmlReader& xml);
    void reportUnconverted();

    const std::string& columnDefaultStyle(ColumnIndex column) const;

    TableContext context_;
    Sheet sheet_;
    RowIndex row_ = 0;
    ColumnIndex column_ = 0;
    std::vector<ColumnDefault> columnDefaults_;
    std::string rowDefaultStyle_;
    std::size_t lastRowCells_ = 0;
    // Merged ranges not yet passed, with the format of their first cell,
    // the default one too: covered cells without a style of their own take
    // it rather than their column's, as the office draws the whole range in
    // the first cell's look, while Excel 97 readers draw a merged range's
    // edges from its edge cells. A covered cell's own style stays its own.
    std::vector<std::pair<CellRange, std::uint32_t>> openMerges_;
    ConditionalFormatReader conditionalFormats_{context_.styles};
    DrawingReader drawings_;
    UnreadValues unreadValues_;
    DrawingReader::CellPosition drawingCell_{0, 0};  // the cell whose content is being read

    // Reused per cell, so reading a cell does not allocate.
    std::string cellStyle_;
    std::string cellText_;
    std::string stringValue_;
    std::string unreadValue_;
    std::string cellFormula_;
    std::string cellLink_;
    std::uint32_t cellAnnotation_ = kNone;
    int cellParagraphs_ = 0;
    std::uint32_t cellWrittenFeeds_ = 0;  // line feeds written as characters in the cell's paragraphs
    TextRunMarks cellRuns_;  // where parts of the cell's text in fonts of their own begin and end
    RichTexts richTexts_;
};

// Reads table:named-expressions into the workbook's names; `sheet` is the
// index of the sheet they belong to, or kNone for the workbook.
void readNamedExpressions(XmlReader& xml, Workbook& workbook, std::uint32_t sheet);

}  // namespace brindlemoor::office::ods
