// The chart substream of an embedded chart: from its BOF to its EOF, right
// after the chart's OBJ record in the sheet. Series refer to their cells
// through the workbook's EXTERNSHEET entries (3-D references), as chart
// formulas must; fonts, colours and sizes are left to the reader's
// automatic choices.
#pragma once

#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace brindlemoor::office::xls {

// The EXTERNSHEET entry of a sheet, by its index; unset when it has none.
using SheetLink = std::function<std::optional<std::uint16_t>(std::uint32_t sheet)>;

void writeChartSubstream(BiffStream& out, const Chart& chart, const SheetLink& link);

}  // namespace brindlemoor::office::xls
