#include "office/xls/early_cells.h"

#include "office/xls/cell_records.h"
#include "office/xls/excel_limits.h"
#include "office/xls/style_sheet.h"

#include <algorithm>
#include <stdexcept>

namespace brindlemoor::office::xls {

namespace {

// The record forms that hold one XF per cell; every other cell record holds
// one XF after its row and column.
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kMulBlank = 0x00BE;

std::uint16_t read16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

}  // namespace

void EarlyCells::sheetStarted() { current_.emplace(); }

void EarlyCells::sheetEnded(bool kept) {
    if (current_ && kept) sheets_.push_back(std::move(*current_));
    current_.reset();
}

void EarlyCells::rowAdded(const Workbook& workbook, const Sheet& sheet) {
    if (!current_ || sheet.rows.empty()) return;
    SheetCells& cells = *current_;
    cells.rows.resize(sheet.rows.size() - 1);  // rows added before this listener heard of them stay late
    cells.rows.emplace_back();
    if (full_ || cells.stopped || resolved_) return;
    if (used_ > budget_) {
        full_ = true;
        return;
    }
    const Row& row = sheet.rows.back();
    if (!encode(workbook, row, cells)) return;
    RowSpan& span = cells.rows.back();
    span.index = row.index;
    span.cellCount = static_cast<std::uint32_t>(row.cells.size());
    span.encoded = true;
}

bool EarlyCells::encode(const Workbook& workbook, const Row& row, SheetCells& cells) {
    if (row.repeat != 1 || row.index >= kMaxRows) return false;
    items_.clear();
    formats_.clear();
    std::uint32_t labels = 0;
    for (const Cell& cell : row.cells) {
        if (cell.formula != kNone) {
            // Formulas need the whole workbook, and a matrix formula turns the
            // cells it covers in later rows into formula cells too.
            cells.stopped = true;
            return false;
        }
        if (cell.type == CellType::Empty) {
            if (cell.format == 0 || cell.format == kNone) continue;  // never written
            return false;  // written only when its XF is not the default one
        }
        const std::uint64_t last = std::uint64_t{cell.column} + std::max<std::uint32_t>(cell.repeat, 1) - 1;
        if (last >= kMaxColumns) return false;  // cut, with a warning
        CellItem item = valueItem(cell, 0, 0);
        if (item.kind == CellKind::Label) {
            if (item.value >= workbook.strings.size() || workbook.strings.at(item.value).size() > kMaxTextLength) return false;
            labels += static_cast<std::uint32_t>(last - cell.column + 1);
        }
        for (std::uint64_t column = cell.column; column <= last; ++column) {
            item.column = static_cast<std::uint16_t>(column);
            items_.push_back(item);
            formats_.push_back(cell.format);
        }
    }

    const std::size_t start = cells.records.size();
    FormulaSite noFormulas{workbook, 0, 0, {}, nullptr};
    writeCells(cells.records, static_cast<std::uint16_t>(row.index), items_, noFormulas);

    // Each cell's XF field, in the order of the cells.
    const std::vector<std::uint8_t>& bytes = cells.records.bytes();
    std::size_t next = 0;
    const auto field = [&](std::size_t at) {
        if (next >= formats_.size()) throw std::logic_error("more XF fields than cells in a row's records");
        cells.xfFields.push_back({static_cast<std::uint32_t>(at), formats_[next++]});
    };
    for (std::size_t at = start; at < bytes.size();) {
        const std::uint16_t id = read16(bytes, at);
        const std::size_t length = read16(bytes, at + 2);
        const std::size_t body = at + 4;
        if (id == kMulRk) {
            for (std::size_t k = 0; k < (length - 6) / 6; ++k) field(body + 4 + 6 * k);
        } else if (id == kMulBlank) {
            for (std::size_t k = 0; k < (length - 6) / 2; ++k) field(body + 4 + 2 * k);
        } else {
            field(body + 4);
        }
        at = body + length;
    }
    if (next != formats_.size()) throw std::logic_error("fewer XF fields than cells in a row's records");

    RowSpan& span = cells.rows.back();
    span.offset = static_cast<std::uint32_t>(start);
    span.length = static_cast<std::uint32_t>(bytes.size() - start);
    span.sstReferences = labels;
    used_ += span.length + sizeof(XfField) * items_.size() + sizeof(RowSpan);
    return true;
}

void EarlyCells::resolveXfs(const StyleSheet& styles) {
    for (SheetCells& sheet : sheets_) {
        for (const XfField& field : sheet.xfFields) sheet.records.patch16(field.offset, styles.xf(field.format));
        sheet.xfFields = {};
    }
    resolved_ = true;
}

std::optional<EarlyCells::EarlyRow> EarlyCells::row(std::uint32_t sheet, std::size_t position, const Row& row) const {
    if (!resolved_ || sheet >= sheets_.size() || position >= sheets_[sheet].rows.size()) return std::nullopt;
    const SheetCells& cells = sheets_[sheet];
    const RowSpan& span = cells.rows[position];
    if (!span.encoded || span.index != row.index || span.cellCount != row.cells.size() || row.repeat != 1) return std::nullopt;
    return EarlyRow{std::span<const std::uint8_t>(cells.records.bytes().data() + span.offset, span.length), span.sstReferences};
}

std::size_t EarlyCells::earlyRowCount() const {
    std::size_t count = 0;
    for (const SheetCells& sheet : sheets_) {
        count += static_cast<std::size_t>(std::count_if(sheet.rows.begin(), sheet.rows.end(), [](const RowSpan& r) { return r.encoded; }));
    }
    return count;
}

}  // namespace brindlemoor::office::xls
