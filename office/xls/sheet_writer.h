// One worksheet substream: BOF to EOF, with the row blocks, their DBCELL
// records and the INDEX that points at them.
#pragma once

#include "office/model/conversion_error.h"
#include "office/formula/workbook_formulas.h"
#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"
#include "office/xls/drawing_records.h"
#include "office/xls/style_sheet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindlemoor::office::xls {

struct SheetContext {
    const Workbook& workbook;
    std::uint32_t index = 0;
    std::string name;                      // the name written (UTF-8), for messages
    bool selected = false;                 // the active sheet
    const StyleSheet& styles;
    const std::vector<bool>& textCut;      // per shared string: cut to 32,767 characters
    std::uint32_t sstReferences = 0;       // LABELSST records written (counted up)
    Warnings& warnings;
    const formula::WorkbookFormulas* formulas = nullptr;  // null: formulas keep their cached values
    const std::vector<std::u16string>* sheetNames = nullptr;  // every sheet's name as written
    const SheetDrawings* drawings = nullptr;                   // notes, pictures and shapes of every sheet
};

void writeSheet(BiffStream& out, SheetContext& context);

}  // namespace brindlemoor::office::xls
