// Writes the workbook model as an Excel 97 (BIFF8) workbook.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"

#include <filesystem>

namespace brindlemoor::office {

// Writes to a temporary file beside `target` and renames it into place only
// when complete; on failure nothing is left behind and ConversionError is
// thrown. Whatever Excel 97 cannot hold is cut or renamed and listed in `warnings`.
void writeXls(const Workbook& workbook, const std::filesystem::path& target, Warnings& warnings);

}  // namespace brindlemoor::office
