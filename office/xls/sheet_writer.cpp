#include "office/xls/sheet_writer.h"

#include "office/xls/cell_records.h"
#include "office/xls/column_width.h"
#include "office/xls/conditional_format_records.h"
#include "office/xls/excel_limits.h"
#include "office/xls/formula_records.h"
#include "office/xls/hyperlink_records.h"
#include "office/xls/page_setup_records.h"
#include "office/xls/row_height.h"
#include "office/xls/sheet_records.h"

#include <algorithm>
#include <cmath>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint32_t kRowsPerBlock = 32;
constexpr std::size_t kRowRecordSize = 20;

// A row that gets a ROW record, with the columns its cells span.
struct PlannedRow {
    const Row* row;
    std::uint16_t index;
    std::uint16_t firstColumn;
    std::uint16_t endColumn;  // last + 1; equal to firstColumn when the row has no cells
};

bool hasValue(const Cell& cell) { return cell.type != CellType::Empty || cell.formula != kNone; }

class SheetWriter {
public:
    SheetWriter(BiffStream& out, SheetContext& context)
        : out_(out), c_(context), sheet_(context.workbook.sheets[context.index]),
          formulas_{context.workbook, context.index, 0, {}},
          heights_(context.workbook, sheet_, context.styles.defaultFont().sizePt) {
        if (context.formulas) {
            sheetFormulas_ = SheetFormulas(context.workbook, context.index, *context.formulas);
            formulas_.formulas = &sheetFormulas_;
        }
    }

    void write() {
        plan();
        writeBof(out_, kBofWorksheet);
        const std::size_t index = writeIndex(out_, firstRow_, endRow_, blockCount());
        writeCalculationSettings(out_);
        writePrintSettings(out_, sheet_.pageSetup && sheet_.pageSetup->printHeadings,
                           sheet_.pageSetup && sheet_.pageSetup->printGridlines);
        writeGuts(out_, maxRowLevel_, maxColumnLevel_);
        writeDefaultRowHeight(out_, defaultHeightTwips());
        writeWsBool(out_, wsBoolFlags(sheet_.pageSetup));
        if (sheet_.pageSetup) writePageSetup(out_, *sheet_.pageSetup);
        if (sheet_.isProtected) writeSheetProtection(out_);
        const std::size_t defColWidth = out_.size();
        writeDefColWidth(out_, defaultColumnCharacters(defaultWidthPt(), c_.styles.defaultFont()));
        writeColumns();
        writeDimensions(out_, firstRow_, endRow_, firstColumn_, endColumn_);
        std::vector<std::uint32_t> dbCells;
        writeRowBlocks(dbCells);
        out_.patchPosition(index + 4 + 12, defColWidth);
        for (std::size_t i = 0; i < dbCells.size(); ++i) out_.patchPosition(index + 4 + 16 + 4 * i, dbCells[i]);
        if (c_.drawings) c_.drawings->writeSheet(out_, c_.index);
        writeView();
        writeMerges();
        writeConditionalFormats(out_, c_.workbook, c_.index, c_.styles, c_.name, c_.warnings);
        if (c_.sheetNames) writeHyperlinks(out_, sheet_, c_.workbook, *c_.sheetNames, c_.name, c_.warnings);
        if (sheet_.view.tabColor) writeSheetExt(out_, c_.styles.colorIndex(sheet_.view.tabColor, 0x7F));
        writeEof(out_);
        report();
    }

private:
    double defaultWidthPt() const {
        return sheet_.defaultColumnWidthPt.value_or(kStandardColumnWidthPt);
    }

    std::uint16_t xf(std::uint32_t format) const { return c_.styles.xf(format); }

    bool writesRecord(const Cell& cell) const { return hasValue(cell) || xf(cell.format) != kDefaultCellXf; }

    // The format a reader gives a cell that has no record: its row's, when
    // the row has one, else its column's.
    std::uint16_t inheritedXf(const Row& row, std::uint32_t column) const {
        if (row.format != kNone && xf(row.format) != kDefaultCellXf) return xf(row.format);
        return column < columnXfs_.size() ? columnXfs_[column] : kDefaultCellXf;
    }

    // Whether the cell needs a record at this column. A blank in the default
    // format needs one where its row or column has another format: left
    // out, it would show that format (borders, fill) instead of none.
    bool writesRecordAt(const Row& row, const Cell& cell, std::uint32_t column) const {
        return writesRecord(cell) || inheritedXf(row, column) != kDefaultCellXf;
    }

    // Columns [first, end) of the cell that get records; first == end when none.
    std::pair<std::uint32_t, std::uint32_t> recordColumns(const Row& row, const Cell& cell) const {
        const std::uint32_t last = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{cell.column} + std::max<std::uint32_t>(cell.repeat, 1) - 1, kMaxColumns - 1));
        if (cell.column >= kMaxColumns) return {0, 0};
        if (writesRecord(cell)) return {cell.column, last + 1};
        std::uint32_t first = cell.column;
        while (first <= last && !writesRecordAt(row, cell, first)) ++first;
        if (first > last) return {0, 0};
        std::uint32_t end = last + 1;
        while (!writesRecordAt(row, cell, end - 1)) --end;
        return {first, end};
    }

    void planColumnXfs() {
        columnXfs_.assign(kMaxColumns, kDefaultCellXf);
        for (const ColumnRun& run : sheet_.columns) {
            if (run.format == kNone || run.first >= kMaxColumns) continue;
            const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{run.first} + std::max<std::uint32_t>(run.repeat, 1), kMaxColumns);
            std::fill(columnXfs_.begin() + run.first, columnXfs_.begin() + static_cast<std::ptrdiff_t>(end), xf(run.format));
        }
    }

    std::uint16_t defaultHeightTwips() const { return heights_.defaultTwips(); }

    bool hasOwnProperties(const Row& row, RowIndex index) const {
        const bool ownHeight = heights_.twips(row, index) != defaultHeightTwips();
        return ownHeight || row.hidden || row.outlineLevel > 0 || (row.format != kNone && xf(row.format) != kDefaultCellXf);
    }

    void plan() {
        planColumnXfs();
        for (const Row& row : sheet_.rows) {
            std::uint32_t first = kMaxColumns, end = 0;
            for (const Cell& cell : row.cells) {
                const std::uint64_t lastColumn = std::uint64_t{cell.column} + std::max<std::uint32_t>(cell.repeat, 1) - 1;
                const auto [from, to] = recordColumns(row, cell);
                if (from < to) {
                    first = std::min(first, from);
                    end = std::max(end, to);
                }
                if (lastColumn >= kMaxColumns && hasValue(cell)) {
                    const std::uint64_t beyondFrom = std::max<std::uint64_t>(cell.column, kMaxColumns);
                    const std::uint64_t rows = std::min<std::uint64_t>(row.repeat, kMaxRows > row.index ? kMaxRows - row.index : 0);
                    if (rows > 0) cuts_.cellBeyondGrid(row.index, beyondFrom, (lastColumn - beyondFrom + 1) * rows);
                }
            }
            const bool hasCells = first < end;
            const std::uint64_t endIndex = std::uint64_t{row.index} + std::max<std::uint32_t>(row.repeat, 1);
            if (endIndex > kMaxRows) {
                std::uint64_t valueCells = 0;
                for (const Cell& cell : row.cells) if (hasValue(cell)) valueCells += cell.repeat;
                const std::uint64_t from = std::max<std::uint64_t>(row.index, kMaxRows);
                if (valueCells > 0) cuts_.cellBeyondGrid(from, row.cells.empty() ? 0 : row.cells.front().column, valueCells * (endIndex - from));
            }
            planEmptyRows(row.index);
            for (std::uint64_t r = row.index; r < std::min<std::uint64_t>(endIndex, kMaxRows); ++r) {
                if (!hasCells && !hasOwnProperties(row, static_cast<RowIndex>(r))) continue;
                rows_.push_back({&row, static_cast<std::uint16_t>(r), static_cast<std::uint16_t>(hasCells ? first : 0),
                                 static_cast<std::uint16_t>(hasCells ? end : 0)});
                if (hasCells) {
                    firstRow_ = std::min<std::uint32_t>(firstRow_, static_cast<std::uint32_t>(r));
                    endRow_ = std::max<std::uint32_t>(endRow_, static_cast<std::uint32_t>(r + 1));
                    firstColumn_ = std::min<std::uint32_t>(firstColumn_, first);
                    endColumn_ = std::max<std::uint32_t>(endColumn_, end);
                }
                maxRowLevel_ = std::max<std::uint8_t>(maxRowLevel_, std::min<std::uint8_t>(row.outlineLevel, 7));
            }
            nextRow_ = static_cast<RowIndex>(std::min<std::uint64_t>(endIndex, kMaxRows));
        }
        if (endRow_ == 0) firstRow_ = firstColumn_ = 0;
        for (const ColumnRun& run : sheet_.columns) {
            if (run.first < kMaxColumns) maxColumnLevel_ = std::max<std::uint8_t>(maxColumnLevel_, std::min<std::uint8_t>(run.outlineLevel, 7));
        }
    }

    // The document's empty rows between those of the model are laid out
    // again by office suites too, from their columns' styles.
    void planEmptyRows(RowIndex before) {
        for (RowIndex r = nextRow_; r < std::min<RowIndex>(before, kRelaidOutRows); ++r) {
            if (hasOwnProperties(emptyRow_, r)) rows_.push_back({&emptyRow_, static_cast<std::uint16_t>(r), 0, 0});
        }
    }

    std::size_t blockCount() const {
        std::size_t blocks = 0;
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            if (i == 0 || rows_[i].index / kRowsPerBlock != rows_[i - 1].index / kRowsPerBlock) ++blocks;
        }
        return blocks;
    }

    void writeColumns() {
        const Font& font = c_.styles.defaultFont();
        const std::uint16_t defaultUnits = columnWidthUnits(defaultWidthPt(), font);
        std::uint32_t next = 0;  // first column not yet described
        const auto gap = [&](std::uint32_t upTo) {
            // Columns without a run of their own take the sheet's default width;
            // spelt out, because readers derive DEFCOLWIDTH's width differently.
            if (next < upTo) writeColInfo(out_, {static_cast<std::uint16_t>(next), static_cast<std::uint16_t>(upTo - 1), defaultUnits, kDefaultCellXf, false, 0});
        };
        for (const ColumnRun& run : sheet_.columns) {
            if (run.first >= kMaxColumns) break;
            const std::uint32_t last = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{run.first} + std::max<std::uint32_t>(run.repeat, 1) - 1, kMaxColumns - 1));
            const std::uint16_t runXf = run.format == kNone ? kDefaultCellXf : xf(run.format);
            const bool own = run.widthPt || run.hidden || run.outlineLevel > 0 || runXf != kDefaultCellXf;
            if (!own) continue;
            gap(run.first);
            writeColInfo(out_, {static_cast<std::uint16_t>(run.first), static_cast<std::uint16_t>(last),
                                run.widthPt ? columnWidthUnits(*run.widthPt, font) : defaultUnits, runXf, run.hidden,
                                std::min<std::uint8_t>(run.outlineLevel, 7)});
            next = last + 1;
        }
        gap(kMaxColumns);
    }

    void collectCells(const PlannedRow& planned) {
        for (const Cell& cell : planned.row->cells) {
            if (cell.column >= kMaxColumns) break;
            const auto [from, to] = recordColumns(*planned.row, cell);
            if (from == to) continue;
            const bool everyColumn = writesRecord(cell);
            const std::uint16_t cellXf = xf(cell.format);
            const std::uint32_t last = to - 1;
            const bool formula = cell.formula != kNone || sheetFormulas_.inMatrix(planned.index, cell.column, last);
            CellItem item = formula ? CellItem{0, cellXf, CellKind::Formula, 0, 0, &cell} : valueItem(cell, 0, cellXf);
            if (item.kind == CellKind::Label) {
                if (item.value < c_.textCut.size() && c_.textCut[item.value]) {
                    for (std::uint32_t col = cell.column; col <= last; ++col) cuts_.textCut(planned.index, col);
                }
                c_.sstReferences += last - cell.column + 1;
            }
            for (std::uint32_t col = from; col <= last; ++col) {
                if (!everyColumn && !writesRecordAt(*planned.row, cell, col)) continue;
                item.column = static_cast<std::uint16_t>(col);
                cells_.push_back(item);
            }
        }
    }

    void writeRowBlocks(std::vector<std::uint32_t>& dbCells) {
        std::vector<std::size_t> rowStarts;  // index into cells_ per row of the block
        for (std::size_t begin = 0; begin < rows_.size();) {
            std::size_t end = begin + 1;
            while (end < rows_.size() && rows_[end].index / kRowsPerBlock == rows_[begin].index / kRowsPerBlock) ++end;

            const std::size_t firstRowRecord = out_.size();
            for (std::size_t r = begin; r < end; ++r) writeRowRecord(rows_[r]);

            std::vector<std::uint16_t> cellOffsets;
            std::size_t previous = firstRowRecord + kRowRecordSize;
            for (std::size_t r = begin; r < end; ++r) {
                cells_.clear();
                collectCells(rows_[r]);
                const std::size_t at = out_.size();
                cellOffsets.push_back(static_cast<std::uint16_t>(at - previous));
                previous = at;
                writeCells(out_, rows_[r].index, cells_, formulas_);
            }
            dbCells.push_back(static_cast<std::uint32_t>(out_.size()));
            writeDbCell(out_, static_cast<std::uint32_t>(out_.size() - firstRowRecord), cellOffsets);
            begin = end;
        }
    }

    void writeRowRecord(const PlannedRow& planned) {
        const Row& row = *planned.row;
        RowRecord record;
        record.index = planned.index;
        record.firstColumn = planned.firstColumn;
        record.endColumn = planned.endColumn;
        record.heightTwips = heights_.twips(row, planned.index);
        // Only a height the user set is marked as such; an optimal height is
        // left for readers to recompute from the content, as the source's
        // own application does.
        record.customHeight = row.heightPt.has_value() && row.customHeight;
        record.hidden = row.hidden;
        record.outlineLevel = std::min<std::uint8_t>(row.outlineLevel, 7);
        if (row.format != kNone && xf(row.format) != kDefaultCellXf) record.xf = xf(row.format);
        writeRow(out_, record);
    }

    void writeView() {
        const SheetView& view = sheet_.view;
        const std::uint32_t frozenRows = std::min<std::uint32_t>(view.frozenRows, kMaxRows - 1);
        const std::uint32_t frozenColumns = std::min<std::uint32_t>(view.frozenColumns, kMaxColumns - 1);
        const bool frozen = frozenRows > 0 || frozenColumns > 0;
        const auto clipRow = [](std::uint32_t r) { return static_cast<std::uint16_t>(std::min(r, kMaxRows - 1)); };
        const auto clipColumn = [](std::uint32_t c) { return static_cast<std::uint16_t>(std::min(c, kMaxColumns - 1)); };

        Window2 window;
        window.showGrid = view.showGrid;
        window.frozen = frozen;
        window.rightToLeft = view.rightToLeft;
        window.selected = c_.selected;
        window.topRow = frozen ? 0 : clipRow(view.topRow);
        window.leftColumn = frozen ? 0 : clipColumn(view.leftColumn);
        writeWindow2(out_, window);
        if (view.zoomPercent != 100 && view.zoomPercent >= 10 && view.zoomPercent <= 400) writeScl(out_, view.zoomPercent);

        const Selection cursor{0, clipRow(view.cursorRow), clipColumn(view.cursorColumn)};
        if (!frozen) {
            writeSelection(out_, {kPaneTopLeft, cursor.row, cursor.column});
            return;
        }
        // The pane below and right of the split is the active one when both
        // splits exist; the cursor goes there.
        const std::uint8_t active = frozenRows > 0 && frozenColumns > 0 ? kPaneBottomRight
                                  : frozenRows > 0 ? kPaneBottomLeft : kPaneTopRight;
        const std::uint16_t topRow = std::max<std::uint16_t>(clipRow(view.topRow), static_cast<std::uint16_t>(frozenRows));
        const std::uint16_t leftColumn = std::max<std::uint16_t>(clipColumn(view.leftColumn), static_cast<std::uint16_t>(frozenColumns));
        writePane(out_, static_cast<std::uint16_t>(frozenColumns), static_cast<std::uint16_t>(frozenRows), topRow, leftColumn, active);
        if (frozenRows > 0 && frozenColumns > 0) {
            writeSelection(out_, {kPaneTopRight, 0, static_cast<std::uint16_t>(frozenColumns)});
            writeSelection(out_, {kPaneBottomLeft, static_cast<std::uint16_t>(frozenRows), 0});
        }
        writeSelection(out_, {active, cursor.row, cursor.column});
    }

    void writeMerges() {
        const auto merges = fitMerges(sheet_.merges, c_.name, c_.warnings);
        writeMergedCells(out_, merges);
    }

    void report() {
        cuts_.report(c_.name, c_.warnings);
        if (formulas_.written > 0) {
            std::string where;
            for (const auto& address : formulas_.firstAddresses) where += (where.empty() ? "" : ", ") + address;
            if (formulas_.written > formulas_.firstAddresses.size()) where += ", ...";
            c_.warnings.push_back("Sheet \"" + c_.name + "\": " + std::to_string(formulas_.written) +
                                  " formula(s) written as their last calculated values (" + where + ")");
        }
    }

    BiffStream& out_;
    SheetContext& c_;
    const Sheet& sheet_;
    SheetFormulas sheetFormulas_;
    FormulaSite formulas_;
    SheetCuts cuts_;
    RowHeights heights_;
    const Row emptyRow_;
    RowIndex nextRow_ = 0;  // first row after those planned
    std::vector<PlannedRow> rows_;
    std::vector<CellItem> cells_;  // the current row's cells, reused
    std::vector<std::uint16_t> columnXfs_;  // each column's format, for cells without records
    std::uint32_t firstRow_ = kMaxRows, endRow_ = 0, firstColumn_ = kMaxColumns, endColumn_ = 0;
    std::uint8_t maxRowLevel_ = 0, maxColumnLevel_ = 0;
};

}  // namespace

void writeSheet(BiffStream& out, SheetContext& context) { SheetWriter(out, context).write(); }

}  // namespace brindlemoor::office::xls
