#include "office/ods/table_reader.h"

#include "office/ods/unread_values.h"
#include "office/ods/values.h"
#include "office/ods/xml_reader.h"

#include <algorithm>

namespace brindlemoor::office::ods {
namespace {

// A note shows in the document's default font where its text sets none.
const Font& noteFont(const Workbook& workbook) { return workbook.formats.front().font; }

// The largest sheet an OpenDocument spreadsheet program makes; runs beyond
// are cut here, before they can overflow an index.
constexpr std::uint64_t kMaxRows = 1048576;
constexpr std::uint64_t kMaxColumns = 16384;
constexpr double kDays1900To1904 = 1462;  // 1899-12-30 to 1904-01-01

std::uint32_t repeatAttribute(const XmlReader& xml, Ns ns, std::string_view name) {
    if (auto text = xml.attribute(ns, name)) {
        if (auto value = parseInteger(*text); value && *value > 1) {
            return static_cast<std::uint32_t>(std::min<long long>(*value, kMaxRows));
        }
    }
    return 1;
}

// The last row or column of a range that starts at `first` and spans
// `count`, kept inside the sheet.
RowIndex lastRowOf(RowIndex first, std::uint32_t count) {
    return static_cast<RowIndex>(std::min<std::uint64_t>(std::uint64_t{first} + count, kMaxRows) - 1);
}

ColumnIndex lastColumnOf(ColumnIndex first, std::uint32_t count) {
    return static_cast<ColumnIndex>(std::min<std::uint64_t>(std::uint64_t{first} + count, kMaxColumns) - 1);
}

std::uint8_t errorCode(std::string_view text) {
    if (text == "#NULL!") return 0x00;
    if (text == "#DIV/0!") return 0x07;
    if (text == "#VALUE!") return 0x0F;
    if (text == "#REF!") return 0x17;
    if (text == "#NAME?") return 0x1D;
    if (text == "#NUM!") return 0x24;
    return 0x2A;  // #N/A, and the errors Excel has no code for
}

// The error values a formula's stored text can show.
bool isErrorText(std::string_view text) {
    return text == "#NULL!" || text == "#DIV/0!" || text == "#VALUE!" || text == "#REF!" || text == "#NAME?" ||
           text == "#NUM!" || text == "#N/A";
}

enum class ValueType { None, Float, Percentage, Currency, Date, Time, Boolean, String, Error };

ValueType valueTypeOf(std::string_view text) {
    if (text == "float") return ValueType::Float;
    if (text == "percentage") return ValueType::Percentage;
    if (text == "currency") return ValueType::Currency;
    if (text == "date") return ValueType::Date;
    if (text == "time") return ValueType::Time;
    if (text == "boolean") return ValueType::Boolean;
    if (text == "string") return ValueType::String;
    return ValueType::None;
}

// A cell's value as its attributes give it.
struct CellValue {
    ValueType type = ValueType::None;
    double number = 0;
    bool hasNumber = false;
    bool hasTime = false;         // a date with a time of day
    bool hasStringValue = false;  // the text is in `stringValue`, not the paragraphs
    // A number, date, time or boolean whose value attribute does not parse
    // (kept in `unread`) or is missing: office suites read it as 0.
    bool unreadable = false;
    bool valueMissing = false;
    // A number beyond what Excel can hold ("1e999"): the cell keeps the text it shows.
    bool tooLarge = false;
};

const char* typeName(ValueType type) {
    switch (type) {
    case ValueType::Float: return "number";
    case ValueType::Percentage: return "percentage";
    case ValueType::Currency: return "currency";
    case ValueType::Date: return "date";
    case ValueType::Time: return "time";
    case ValueType::Boolean: return "boolean";
    default: return "value";
    }
}

CellValue readValueAttributes(const XmlReader& xml, std::string& stringValue, std::string& unread) {
    CellValue value;
    if (auto text = xml.attribute(Ns::Office, "value-type")) value.type = valueTypeOf(*text);
    if (xml.attribute(Ns::Calcext, "value-type") == std::optional<std::string_view>("error")) value.type = ValueType::Error;
    const auto take = [&](std::string_view stored, std::optional<double> number) {
        if (number) {
            value.number = *number, value.hasNumber = true;
        } else {
            unread.assign(stored);
            value.unreadable = true;
        }
    };
    const auto parsed = [&](std::string_view attribute, auto parse) {
        if (auto v = xml.attribute(Ns::Office, attribute)) take(*v, parse(*v));
        else value.valueMissing = true;
    };
    switch (value.type) {
    case ValueType::Float: case ValueType::Percentage: case ValueType::Currency:
        parsed("value", parseNumber);
        if (value.unreadable && isNumberTooLarge(unread)) value.unreadable = false, value.tooLarge = true;
        break;
    case ValueType::Date:
        parsed("date-value", parseDateSerial);
        value.hasTime = value.hasNumber && value.number != static_cast<double>(static_cast<long long>(value.number));
        break;
    case ValueType::Time:
        parsed("time-value", parseDurationDays);
        break;
    case ValueType::Boolean:
        parsed("boolean-value", [](std::string_view v) -> std::optional<double> {
            if (v == "true") return 1.0;
            if (v == "false") return 0.0;
            // Any number but zero is true, as spreadsheet programs read it.
            if (const auto number = parseNumber(v)) return *number != 0 ? 1.0 : 0.0;
            return std::nullopt;
        });
        break;
    case ValueType::String:
        if (auto v = xml.attribute(Ns::Office, "string-value")) {
            stringValue.assign(*v);
            value.hasStringValue = true;
        }
        break;
    case ValueType::Error: case ValueType::None:
        break;
    }
    return value;
}

// Sets the cell's type and value (not the text itself); returns what kind of
// value it is, for the number format when the style gives none.
ValueKind applyValue(const CellValue& value, bool hasText, Cell& cell) {
    switch (value.type) {
    case ValueType::Float: case ValueType::Percentage: case ValueType::Currency: case ValueType::Date:
    case ValueType::Time:
        if (value.tooLarge) {
            if (hasText) cell.type = CellType::Text;
            return ValueKind::Plain;
        }
        // An empty typed cell without a value stays empty: a filler run
        // repeated to the end of the sheet must not fill it with zeros.
        if (!value.hasNumber && !value.unreadable && !hasText) return ValueKind::Plain;
        cell.type = CellType::Number;
        cell.number = value.hasNumber ? value.number : 0;
        switch (value.type) {
        case ValueType::Percentage: return ValueKind::Percentage;
        case ValueType::Currency: return ValueKind::Currency;
        case ValueType::Date: return value.hasTime ? ValueKind::DateTime : ValueKind::Date;
        case ValueType::Time: return ValueKind::Duration;
        default: return ValueKind::Plain;
        }
    case ValueType::Boolean:
        if (!value.hasNumber && !value.unreadable && !hasText) return ValueKind::Plain;
        cell.type = CellType::Boolean;
        cell.number = value.hasNumber ? value.number : 0;
        return ValueKind::Boolean;
    case ValueType::Error:
        cell.type = CellType::Error;
        return ValueKind::Plain;
    case ValueType::String:
        cell.type = CellType::Text;
        return ValueKind::Plain;
    case ValueType::None:
        // Some writers leave the type out of plain text cells.
        if (hasText) cell.type = CellType::Text;
        return ValueKind::Plain;
    }
    return ValueKind::Plain;
}

}  // namespace

void TableReader::read(XmlReader& xml) {
    sheet_.name = std::string(xml.attribute(Ns::Table, "name").value_or(""));
    std::string masterPage;
    if (auto styleName = xml.attribute(Ns::Table, "style-name")) {
        if (const TableStyle* style = context_.styles.tableStyle(*styleName)) {
            masterPage = style->masterPage;
            sheet_.visible = style->visible;
            sheet_.view.tabColor = style->tabColor;
            sheet_.view.rightToLeft = style->rightToLeft;
        }
    }
    if (xml.attribute(Ns::Table, "display") == std::optional<std::string_view>("false")) sheet_.visible = false;
    sheet_.pageSetup = context_.styles.pageSetup(masterPage);
    sheet_.isProtected = xml.attribute(Ns::Table, "protected") == std::optional<std::string_view>("true");
    sheet_.printRanges = std::string(xml.attribute(Ns::Table, "print-ranges").value_or(""));
    bool isLinkedCopy = false;  // another file's sheet, kept for the formulas that link to it

    while (xml.nextChild()) {
        if (xml.ns() == Ns::Table) {
            const std::string_view local = xml.local();
            if (local == "table-column") readColumn(xml, 0);
            else if (local == "table-columns") readColumns(xml, 0);
            else if (local == "table-header-columns") readHeaderColumns(xml, 0);
            else if (local == "table-column-group") readColumns(xml, 1);
            else if (local == "table-row") readRow(xml, 0);
            else if (local == "table-rows") readRows(xml, 0);
            else if (local == "table-header-rows") readHeaderRows(xml, 0);
            else if (local == "table-row-group") readRows(xml, 1);
            else if (local == "shapes") readShapes(xml);
            else if (local == "table-source") {
                isLinkedCopy = sheet_.name.starts_with('\'') && sheet_.name.find("'#") != std::string::npos;
                xml.skipElement();
            }
            else if (local == "named-expressions") {
                readNamedExpressions(xml, context_.workbook, static_cast<std::uint32_t>(context_.workbook.sheets.size()));
            }
            else xml.skipElement();
        } else if (xml.is(Ns::Office, "forms")) {
            drawings_.readForms(xml);
        } else if (xml.is(Ns::Calcext, "conditional-formats")) {
            conditionalFormats_.readFormats(xml);
        } else {
            xml.skipElement();
        }
    }
    if (isLinkedCopy) {
        context_.workbook.linkedSheets.push_back(std::move(sheet_));
        return;
    }
    drawings_.finish(sheet_, static_cast<std::uint32_t>(context_.workbook.sheets.size()), context_.pictures);
    reportUnconverted();
    context_.workbook.sheets.push_back(std::move(sheet_));
}

void TableReader::readColumns(XmlReader& xml, std::uint8_t outlineLevel) {
    while (xml.nextChild()) {
        if (xml.ns() != Ns::Table) {
            xml.skipElement();
            continue;
        }
        const std::string_view local = xml.local();
        if (local == "table-column") readColumn(xml, outlineLevel);
        else if (local == "table-columns") readColumns(xml, outlineLevel);
        else if (local == "table-header-columns") readHeaderColumns(xml, outlineLevel);
        else if (local == "table-column-group") readColumns(xml, static_cast<std::uint8_t>(std::min(outlineLevel + 1, 7)));
        else xml.skipElement();
    }
}

// The header columns and rows are the print titles: repeated on every page.
void TableReader::readHeaderColumns(XmlReader& xml, std::uint8_t outlineLevel) {
    const ColumnIndex first = column_;
    readColumns(xml, outlineLevel);
    if (column_ > first) sheet_.titleColumns = LineSpan{first, column_ - 1};
}

void TableReader::readHeaderRows(XmlReader& xml, std::uint8_t outlineLevel) {
    const RowIndex first = row_;
    readRows(xml, outlineLevel);
    if (row_ > first) sheet_.titleRows = LineSpan{first, row_ - 1};
}

void TableReader::readColumn(XmlReader& xml, std::uint8_t outlineLevel) {
    if (column_ >= kMaxColumns) {
        xml.skipElement();
        return;
    }
    ColumnRun run;
    run.first = column_;
    run.repeat = static_cast<std::uint32_t>(std::min<std::uint64_t>(repeatAttribute(xml, Ns::Table, "number-columns-repeated"),
                                                                     kMaxColumns - column_));
    run.outlineLevel = outlineLevel;
    if (auto styleName = xml.attribute(Ns::Table, "style-name")) {
        if (const ColumnStyle* style = context_.styles.columnStyle(*styleName)) run.widthPt = style->widthPt;
    }
    if (auto visibility = xml.attribute(Ns::Table, "visibility")) run.hidden = *visibility != "visible";
    if (auto defaultStyle = xml.attribute(Ns::Table, "default-cell-style-name")) {
        columnDefaults_.push_back({run.first, run.repeat, std::string(*defaultStyle)});
        const auto resolved = context_.styles.resolve(*defaultStyle, ValueKind::Plain, context_.workbook);
        if (resolved.index != 0) run.format = resolved.index;
    }
    column_ += run.repeat;
    sheet_.columns.push_back(std::move(run));
    xml.skipElement();
}

const std::string& TableReader::columnDefaultStyle(ColumnIndex column) const {
    static const std::string kNoStyle;
    auto it = std::upper_bound(columnDefaults_.begin(), columnDefaults_.end(), column,
                               [](ColumnIndex c, const ColumnDefault& d) { return c < d.first; });
    if (it == columnDefaults_.begin()) return kNoStyle;
    --it;
    return column < it->first + it->repeat ? it->styleName : kNoStyle;
}

void TableReader::readRows(XmlReader& xml, std::uint8_t outlineLevel) {
    while (xml.nextChild()) {
        if (xml.ns() != Ns::Table) {
            xml.skipElement();
            continue;
        }
        const std::string_view local = xml.local();
        if (local == "table-row") readRow(xml, outlineLevel);
        else if (local == "table-rows") readRows(xml, outlineLevel);
        else if (local == "table-header-rows") readHeaderRows(xml, outlineLevel);
        else if (local == "table-row-group") readRows(xml, static_cast<std::uint8_t>(std::min(outlineLevel + 1, 7)));
        else xml.skipElement();
    }
}

void TableReader::readRow(XmlReader& xml, std::uint8_t outlineLevel) {
    if (row_ >= kMaxRows) {
        xml.skipElement();
        return;
    }
    Row row;
    row.index = row_;
    row.repeat = static_cast<std::uint32_t>(std::min<std::uint64_t>(repeatAttribute(xml, Ns::Table, "number-rows-repeated"),
                                                                     kMaxRows - row_));
    row.outlineLevel = outlineLevel;
    if (auto styleName = xml.attribute(Ns::Table, "style-name")) {
        if (const RowStyle* style = context_.styles.rowStyle(*styleName)) {
            row.heightPt = style->heightPt;
            row.customHeight = style->heightPt && !style->optimalHeight;
        }
    }
    if (auto visibility = xml.attribute(Ns::Table, "visibility")) row.hidden = *visibility != "visible";
    rowDefaultStyle_.clear();
    bool rowIsDefault = true;
    if (auto defaultStyle = xml.attribute(Ns::Table, "default-cell-style-name")) {
        rowDefaultStyle_.assign(*defaultStyle);
        rowIsDefault = false;
        const auto resolved = context_.styles.resolve(rowDefaultStyle_, ValueKind::Plain, context_.workbook);
        if (resolved.index != 0) row.format = resolved.index;
    }
    column_ = 0;
    row.cells.reserve(lastRowCells_);  // rows of a table tend to be alike
    while (xml.nextChild()) {
        if (xml.is(Ns::Table, "table-cell") || xml.is(Ns::Table, "covered-table-cell")) readCell(xml, row, rowIsDefault);
        else xml.skipElement();
    }
    // A row that holds nothing the model would show is left out. A stored
    // height is shown (office suites keep it on rows they do not lay out
    // again), and a run of filler rows to the end of the sheet is one entry.
    const bool meaningful = !row.cells.empty() || row.heightPt || row.hidden || row.outlineLevel > 0 ||
                            row.format != kNone;
    row_ += row.repeat;
    lastRowCells_ = row.cells.size();
    if (meaningful) sheet_.rows.push_back(std::move(row));
}

void TableReader::readCell(XmlReader& xml, Row& row, bool rowIsDefault) {
    if (column_ >= kMaxColumns) {
        xml.skipElement();
        return;
    }
    const bool covered = xml.local() == "covered-table-cell";
    const std::uint32_t repeat = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(repeatAttribute(xml, Ns::Table, "number-columns-repeated"), kMaxColumns - column_));
    const ColumnIndex column = column_;
    column_ += repeat;

    // Everything needed from the attributes is taken before the content is read.
    const auto ownStyle = xml.attribute(Ns::Table, "style-name");
    const bool hasOwnStyle = ownStyle.has_value();
    if (hasOwnStyle) cellStyle_.assign(*ownStyle);
    const CellValue value = readValueAttributes(xml, stringValue_, unreadValue_);
    const auto formula = xml.attribute(Ns::Table, "formula");
    const bool hasFormula = formula.has_value() && !covered;
    if (hasFormula) cellFormula_.assign(*formula);
    const std::uint32_t columnsSpanned = covered ? 1 : repeatAttribute(xml, Ns::Table, "number-columns-spanned");
    const std::uint32_t rowsSpanned = covered ? 1 : repeatAttribute(xml, Ns::Table, "number-rows-spanned");
    const std::uint32_t matrixColumns = repeatAttribute(xml, Ns::Table, "number-matrix-columns-spanned");
    const std::uint32_t matrixRows = repeatAttribute(xml, Ns::Table, "number-matrix-rows-spanned");
    const bool isMatrix = hasFormula && (xml.attribute(Ns::Table, "number-matrix-columns-spanned") ||
                                         xml.attribute(Ns::Table, "number-matrix-rows-spanned"));

    cellText_.clear();
    cellLink_.clear();
    cellAnnotation_ = kNone;
    cellParagraphs_ = 0;
    cellWrittenFeeds_ = 0;
    cellRuns_.clear();
    drawingCell_ = {row.index, column};
    readCellContent(xml);
    if (value.hasStringValue) cellText_.swap(stringValue_);  // the attribute wins over the displayed text

    Cell cell;
    cell.column = column;
    cell.repeat = repeat;
    // A paragraph, even an empty one, makes a text cell, as spreadsheet programs read it.
    const ValueKind kind = applyValue(value, !cellText_.empty() || cellParagraphs_ > 0, cell);
    const bool readAsZero = (value.unreadable || value.valueMissing) &&
                            (cell.type == CellType::Number || cell.type == CellType::Boolean);
    if (readAsZero) {
        const std::string_view stored = unreadValue_;
        unreadValues_.add(typeName(value.type), value.unreadable ? &stored : nullptr, cellText_, row.index, column,
                          std::uint64_t{repeat} * row.repeat);
    }
    // A text in fonts of its own is added once the cell's font is known. A
    // formula's result and a text given by attribute show in the cell's font.
    const bool mayBeRich = cell.type == CellType::Text && !cellRuns_.empty() && !hasFormula && !value.hasStringValue;
    if (cell.type == CellType::Text && !mayBeRich) cell.text = context_.workbook.strings.intern(cellText_);
    if (cell.type == CellType::Text && cellWrittenFeeds_ > 0 && !value.hasStringValue) {
        const auto feeds = static_cast<std::uint32_t>(std::count(cellText_.begin(), cellText_.end(), '\n'));
        sheet_.textLines.push_back({row.index, column, feeds - std::min(feeds, cellWrittenFeeds_) + 1});
    }
    // Older writers store an error result of a formula as the number 0
    // with the error as its text: the result is the error.
    if (hasFormula && cell.type == CellType::Number && value.type == ValueType::Float && value.hasNumber &&
        cell.number == 0 && cellParagraphs_ == 1 && isErrorText(cellText_)) {
        cell.type = CellType::Error;
    }
    if (cell.type == CellType::Error) cell.number = errorCode(cellText_);

    // The cell's style, else the row's default, else the column's.
    const std::string& styleName = hasOwnStyle ? cellStyle_ : !rowIsDefault ? rowDefaultStyle_ : columnDefaultStyle(column);
    const ResolvedFormat resolved = context_.styles.resolve(styleName, kind, context_.workbook);
    cell.format = resolved.index;
    if (mayBeRich) {
        std::vector<TextRun> runs = cellRuns_.runs(cellText_, context_.workbook.formats[cell.format].font, context_.styles);
        cell.text = runs.empty() ? context_.workbook.strings.intern(cellText_)
                                 : richTexts_.add(context_.workbook, cellText_, std::move(runs));
    }
    if (resolved.conditional) conditionalFormats_.addStyledRun(styleName, row.index, row.repeat, column, repeat);
    // Dates counted from another null date; a date read as 0 is that null date, as office suites show it.
    if (cell.type == CellType::Number && ((value.type == ValueType::Float && resolved.isDate) ||
                                          (value.type == ValueType::Date && readAsZero))) {
        cell.number += context_.nullDateOffset;
    }
    if (cell.type == CellType::Number && value.type == ValueType::Date && context_.workbook.dates1904 && !readAsZero) {
        cell.number -= kDays1900To1904;
    }

    if (hasFormula) {
        Formula entry;
        entry.text = cellFormula_;
        if (isMatrix) {
            entry.isArray = true;
            entry.arrayRange = {row.index, column, lastRowOf(row.index, matrixRows), lastColumnOf(column, matrixColumns)};
        }
        cell.formula = static_cast<std::uint32_t>(context_.workbook.formulas.size());
        context_.workbook.formulas.push_back(std::move(entry));
    }
    cell.annotation = cellAnnotation_;
    if (!cellLink_.empty()) {
        cell.hyperlink = static_cast<std::uint32_t>(sheet_.hyperlinks.size());
        sheet_.hyperlinks.push_back({{row.index, column, row.index, column + repeat - 1}, cellLink_});
    }
    if (columnsSpanned > 1 || rowsSpanned > 1) {
        sheet_.merges.push_back({row.index, column, lastRowOf(row.index, rowsSpanned), lastColumnOf(column, columnsSpanned)});
        openMerges_.emplace_back(sheet_.merges.back(), cell.format);
    }
    if (covered && !hasOwnStyle) {
        std::erase_if(openMerges_, [&](const auto& open) { return open.first.lastRow < row.index; });
        for (const auto& [range, format] : openMerges_) {
            if (range.firstColumn <= column && column + repeat - 1 <= range.lastColumn &&
                row.index + row.repeat - 1 <= range.lastRow) {
                cell.format = format;
                break;
            }
        }
    }

    bool keep = cell.type != CellType::Empty || cell.formula != kNone || cell.annotation != kNone ||
                cell.hyperlink != kNone || (covered && !hasOwnStyle && cell.format != resolved.index);
    if (!keep && hasOwnStyle) {
        // An empty cell matters when its look differs from what it inherits.
        const std::string& inherited = !rowIsDefault ? rowDefaultStyle_ : columnDefaultStyle(column);
        keep = context_.styles.resolve(inherited, ValueKind::Plain, context_.workbook).index != cell.format;
    }
    if (!keep) return;
    row.cells.push_back(cell);
}

void TableReader::readCellContent(XmlReader& xml) {
    while (xml.nextChild()) {
        if (xml.is(Ns::Text, "p") || xml.is(Ns::Text, "h")) {
            if (cellParagraphs_++ > 0) cellText_ += '\n';
            const CellStyle* paragraph = nullptr;
            if (auto name = xml.attribute(Ns::Text, "style-name")) paragraph = context_.styles.paragraphStyle(*name);
            if (paragraph) cellRuns_.enter(*paragraph, cellText_.size());
            readInline(xml, cellText_, &cellRuns_);
            if (paragraph) cellRuns_.leave(cellText_.size());
        } else if (xml.is(Ns::Text, "list")) {
            readCellContent(xml);
        } else if (xml.is(Ns::Text, "list-item")) {
            readCellContent(xml);
        } else if (xml.is(Ns::Office, "annotation")) {
            cellAnnotation_ = readAnnotation(xml);
        } else if (xml.ns() == Ns::Draw) {
            drawings_.read(xml, drawingCell_);
        } else {
            xml.skipElement();
        }
    }
}

void TableReader::readInline(XmlReader& xml, std::string& out, TextRunMarks* runs) {
    for (;;) {
        switch (xml.next()) {
        case XmlEvent::Text:
            // Cell text keeps its white space as written, as spreadsheet programs read it.
            out += xml.text();
            if (&out == &cellText_) {
                cellWrittenFeeds_ += static_cast<std::uint32_t>(std::count(xml.text().begin(), xml.text().end(), '\n'));
            }
            break;
        case XmlEvent::End:
            return;
        case XmlEvent::Eof:
            xml.fail("the document ends inside a paragraph");
        case XmlEvent::Start:
            if (xml.ns() == Ns::Text) {
                const std::string_view local = xml.local();
                if (local == "s") {
                    long long count = 1;
                    if (auto c = xml.attribute(Ns::Text, "c")) count = std::clamp<long long>(parseInteger(*c).value_or(1), 1, 32767);
                    out.append(static_cast<std::size_t>(count), ' ');
                    xml.skipElement();
                } else if (local == "tab") {
                    // A cell's text has no tab stops: the office reads the
                    // paragraph without it, and so do we.
                    xml.skipElement();
                } else if (local == "line-break") {
                    out += '\n';
                    xml.skipElement();
                } else if (local == "a") {
                    if (cellLink_.empty()) {
                        if (auto href = xml.attribute(Ns::Xlink, "href")) cellLink_.assign(*href);
                    }
                    readInline(xml, out, runs);
                } else if (local == "note" || local == "ruby-text" || local == "bookmark-ref") {
                    xml.skipElement();
                } else {
                    // Spans and fields: their text, a span's in the font its style gives.
                    const CellStyle* span = nullptr;
                    if (local == "span" && runs) {
                        if (auto name = xml.attribute(Ns::Text, "style-name")) span = context_.styles.textStyle(*name);
                    }
                    if (span) runs->enter(*span, out.size());
                    readInline(xml, out, runs);
                    if (span) runs->leave(out.size());
                }
            } else if (xml.is(Ns::Office, "annotation")) {
                cellAnnotation_ = readAnnotation(xml);
            } else if (xml.ns() == Ns::Draw) {
                drawings_.read(xml, drawingCell_);
            } else {
                readInline(xml, out, runs);
            }
            break;
        }
    }
}

std::uint32_t TableReader::readAnnotation(XmlReader& xml) {
    Annotation annotation;
    annotation.visible = xml.attribute(Ns::Office, "display") == std::optional<std::string_view>("true");
    if (auto author = xml.attribute(Ns::Office, "author")) annotation.author = *author;  // 1.x keeps it here
    int paragraphs = 0;
    // A note's text starts in the font of the note's text style; paragraphs
    // and spans of other fonts make runs over it.
    TextRunMarks runs;
    const CellStyle* noteStyle = nullptr;
    if (auto name = xml.attribute(Ns::Draw, "text-style-name")) noteStyle = context_.styles.paragraphStyle(*name);
    if (noteStyle) runs.enter(*noteStyle, 0);
    // Annotation text is kept out of the cell's own text and link.
    std::string savedLink = cellLink_;
    std::function<void()> readBlock = [&] {
        while (xml.nextChild()) {
            if (xml.is(Ns::Dc, "creator")) {
                annotation.author = xml.readText();
            } else if (xml.is(Ns::Text, "p") || xml.is(Ns::Text, "h")) {
                if (paragraphs++ > 0) annotation.text += '\n';
                const CellStyle* paragraph = nullptr;
                if (auto name = xml.attribute(Ns::Text, "style-name")) paragraph = context_.styles.paragraphStyle(*name);
                if (paragraph) runs.enter(*paragraph, annotation.text.size());
                readInline(xml, annotation.text, &runs);
                if (paragraph) runs.leave(annotation.text.size());
            } else if (xml.is(Ns::Text, "list") || xml.is(Ns::Text, "list-item")) {
                readBlock();
            } else {
                xml.skipElement();
            }
        }
    };
    readBlock();
    cellLink_ = std::move(savedLink);
    if (!runs.empty()) annotation.runs = runs.runs(annotation.text, noteFont(context_.workbook), context_.styles);
    sheet_.annotations.push_back(std::move(annotation));
    return static_cast<std::uint32_t>(sheet_.annotations.size() - 1);
}

void TableReader::readShapes(XmlReader& xml) {
    while (xml.nextChild()) {
        if (xml.ns() == Ns::Draw) drawings_.read(xml, std::nullopt);
        else xml.skipElement();
    }
}

void readNamedExpressions(XmlReader& xml, Workbook& workbook, std::uint32_t sheet) {
    while (xml.nextChild()) {
        DefinedName name;
        name.sheet = sheet;
        name.name = std::string(xml.attribute(Ns::Table, "name").value_or(""));
        if (xml.is(Ns::Table, "named-range")) {
            name.text = std::string(xml.attribute(Ns::Table, "cell-range-address").value_or(""));
        } else if (xml.is(Ns::Table, "named-expression")) {
            name.text = std::string(xml.attribute(Ns::Table, "expression").value_or(""));
            name.isExpression = true;
        }
        name.baseCell = std::string(xml.attribute(Ns::Table, "base-cell-address").value_or(""));
        xml.skipElement();
        if (!name.name.empty() && !name.text.empty()) workbook.names.push_back(std::move(name));
    }
}

void TableReader::reportUnconverted() {
    const auto report = [&](int count, const char* one, const char* many) {
        if (count <= 0) return;
        context_.warnings.push_back(sheet_.name + ": " + std::to_string(count) + " " + (count == 1 ? one : many) +
                                    " not converted");
    };
    const DrawingReader::Lost& lost = drawings_.lost();
    report(lost.images, "image", "images");
    report(lost.objects, "chart or embedded object", "charts or embedded objects");
    report(lost.shapes, "drawing shape", "drawing shapes");
    report(lost.controls, "form control", "form controls");
    report(lost.texts, "text of a shape", "texts of shapes");
    conditionalFormats_.finish(sheet_, context_.warnings);
    unreadValues_.report(sheet_.name, context_.warnings);
}

}  // namespace brindlemoor::office::ods
