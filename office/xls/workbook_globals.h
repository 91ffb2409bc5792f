// The workbook globals substream: BOF to EOF, in the order Excel writes it.
#pragma once

#include "office/formula/workbook_formulas.h"
#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"
#include "office/xls/drawing_records.h"
#include "office/xls/style_sheet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindlemoor::office::xls {

struct GlobalsContext {
    const Workbook& workbook;
    const StyleSheet& styles;
    const std::vector<std::u16string>& sheetNames;
    const std::vector<bool>& sheetHidden;
    std::uint16_t activeSheet = 0;
    const std::vector<std::u16string>& strings;  // shared strings, already cut to fit
    Warnings& warnings;
    const formula::WorkbookFormulas* formulas = nullptr;  // sheet links and names, when translated
    const SheetDrawings* drawings = nullptr;              // the drawing group of notes, pictures and shapes
};

// Where the second pass patches what is known only after the sheets are written.
struct GlobalsLayout {
    std::vector<std::size_t> sheetOffsetFields;  // per sheet: BOUNDSHEET's BOF position field
    std::size_t sstReferencesField = 0;          // SST's total reference count
};

GlobalsLayout writeGlobals(BiffStream& out, const GlobalsContext& context);

}  // namespace brindlemoor::office::xls
