// The whole conversion of one spreadsheet file to an Excel 97 workbook.
#pragma once

#include "office/model/conversion_error.h"

#include <filesystem>

namespace brindlemoor::office {

// Reads `source` and writes `target`; returns what had to be cut, renamed or
// left out. Throws ConversionError naming the cause; leaves no file behind then.
Warnings convertToXls(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace brindlemoor::office
