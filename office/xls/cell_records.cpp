#include "office/xls/cell_records.h"

#include "office/xls/excel_limits.h"
#include "office/xls/formula_records.h"
#include "office/xls/rk_number.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kMulBlank = 0x00BE;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kBoolErr = 0x0205;

constexpr std::uint8_t kErrorNum = 0x24;
constexpr std::uint8_t kErrorNa = 0x2A;

// Longest MULRK / MULBLANK runs a record can hold: row, first column and
// last column (6 bytes) plus 6 or 2 bytes per cell.
constexpr std::size_t kMaxMulRk = (kMaxRecordData - 6) / 6;
constexpr std::size_t kMaxMulBlank = (kMaxRecordData - 6) / 2;

std::uint8_t validError(double code) {
    switch (static_cast<int>(code)) {
    case 0x00: case 0x07: case 0x0F: case 0x17: case 0x1D: case 0x24: case 0x2A:
        return static_cast<std::uint8_t>(code);
    default:
        return kErrorNa;
    }
}

// A record's body put together on the stack and handed to the stream in
// one append: a sheet of a million cells is mostly these.
template <std::size_t Capacity>
class RecordBody {
public:
    void u8(std::uint8_t v) { bytes_[size_++] = v; }
    void u16(std::uint16_t v) {
        bytes_[size_++] = static_cast<std::uint8_t>(v);
        bytes_[size_++] = static_cast<std::uint8_t>(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void f64(double v) {
        const auto bits = std::bit_cast<std::uint64_t>(v);
        u32(static_cast<std::uint32_t>(bits));
        u32(static_cast<std::uint32_t>(bits >> 32));
    }
    void writeTo(BiffStream& out, std::uint16_t id) const { out.record(id, bytes_.data(), size_); }

private:
    std::array<std::uint8_t, Capacity> bytes_;
    std::size_t size_ = 0;
};

// A single cell record of any value kind: row, column and XF, then the value.
void writeSingle(BiffStream& out, std::uint16_t row, const CellItem& item) {
    RecordBody<14> body;
    body.u16(row);
    body.u16(item.column);
    body.u16(item.xf);
    std::uint16_t id = kBlank;
    switch (item.kind) {
    case CellKind::Rk:  // RK value
        id = kRk;
        body.u32(item.value);
        break;
    case CellKind::Number:  // IEEE double
        id = kNumber;
        body.f64(item.number);
        break;
    case CellKind::Label:  // SST index
        id = kLabelSst;
        body.u32(item.value);
        break;
    case CellKind::Boolean:
    case CellKind::Error:  // BOOLERR: value, 1 when an error
        id = kBoolErr;
        body.u8(static_cast<std::uint8_t>(item.value));
        body.u8(item.kind == CellKind::Error ? 1 : 0);
        break;
    case CellKind::Blank:
    case CellKind::Formula:  // BLANK: nothing more
        break;
    }
    body.writeTo(out, id);
}

// Length of the run of `kind` cells in adjacent columns starting at `from`.
std::size_t runLength(std::span<const CellItem> cells, std::size_t from, CellKind kind, std::size_t limit) {
    std::size_t n = 1;
    while (from + n < cells.size() && n < limit && cells[from + n].kind == kind &&
           cells[from + n].column == cells[from + n - 1].column + 1) {
        ++n;
    }
    return n;
}

}  // namespace

CellItem valueItem(const Cell& cell, std::uint16_t column, std::uint16_t xf) {
    CellItem item{column, xf, CellKind::Blank, 0, 0, nullptr};
    switch (cell.type) {
    case CellType::Empty:
        break;
    case CellType::Number:
        if (!std::isfinite(cell.number)) {
            // No Excel number is NaN or infinite; the nearest honest value is #NUM!.
            item.kind = CellKind::Error;
            item.value = kErrorNum;
        } else if (const auto rk = encodeRk(cell.number)) {
            item.kind = CellKind::Rk;
            item.value = *rk;
        } else {
            item.kind = CellKind::Number;
            item.number = cell.number;
        }
        break;
    case CellType::Text:
        if (cell.text == kNone) break;
        item.kind = CellKind::Label;
        item.value = cell.text;
        break;
    case CellType::Boolean:
        item.kind = CellKind::Boolean;
        item.value = cell.number != 0 ? 1 : 0;
        break;
    case CellType::Error:
        item.kind = CellKind::Error;
        item.value = validError(cell.number);
        break;
    }
    return item;
}

void writeFormulaCell(BiffStream& out, FormulaSite& site, std::uint16_t row, const CellItem& item) {
    if (site.formulas) {
        // Untranslated formulas were reported when they were translated.
        if (!site.formulas->write(out, row, item.column, item.xf, *item.cell))
            writeSingle(out, row, valueItem(*item.cell, item.column, item.xf));
        return;
    }
    constexpr std::size_t kListed = 5;
    if (site.firstAddresses.size() < kListed) site.firstAddresses.push_back(cellAddress(row, item.column));
    ++site.written;
    writeSingle(out, row, valueItem(*item.cell, item.column, item.xf));
}

void writeCells(BiffStream& out, std::uint16_t row, std::span<const CellItem> cells, FormulaSite& formulas) {
    for (std::size_t i = 0; i < cells.size();) {
        const CellItem& first = cells[i];
        if (first.kind == CellKind::Formula) {
            writeFormulaCell(out, formulas, row, first);
            ++i;
            continue;
        }
        if (first.kind == CellKind::Rk || first.kind == CellKind::Blank) {
            const bool rk = first.kind == CellKind::Rk;
            const std::size_t n = runLength(cells, i, first.kind, rk ? kMaxMulRk : kMaxMulBlank);
            if (n > 1) {
                // MULRK: row, first column, (XF, RK) per cell, last column.
                // MULBLANK: row, first column, XF per cell, last column.
                RecordBody<kMaxRecordData> body;
                body.u16(row);
                body.u16(first.column);
                for (std::size_t k = i; k < i + n; ++k) {
                    body.u16(cells[k].xf);
                    if (rk) body.u32(cells[k].value);
                }
                body.u16(cells[i + n - 1].column);
                body.writeTo(out, rk ? kMulRk : kMulBlank);
                i += n;
                continue;
            }
        }
        writeSingle(out, row, first);
        ++i;
    }
}

}  // namespace brindlemoor::office::xls
