// The link table of the workbook globals (SUPBOOK, EXTERNSHEET) and the
// defined names (NAME): written after the sheet list, before the shared
// strings. Formulas and built-in names refer to sheets through it.
#pragma once

#include "office/formula/workbook_formulas.h"
#include "office/model/conversion_error.h"
#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

#include <string>
#include <vector>

namespace brindlemoor::office::xls {

struct LinkTableContext {
    const Workbook& workbook;
    const std::vector<std::u16string>& sheetNames;  // as written
    Warnings& warnings;
    const formula::WorkbookFormulas* formulas = nullptr;
};

void writeLinkTable(BiffStream& out, const LinkTableContext& context);

}  // namespace brindlemoor::office::xls
