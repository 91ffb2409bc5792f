// Reads an OpenDocument spreadsheet into the workbook model.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"

#include <filesystem>

namespace brindlemoor::office {

// Throws ConversionError with a clear cause when the file cannot be read as a
// spreadsheet. What was read but had to be simplified goes to `warnings`.
Workbook readSpreadsheet(const std::filesystem::path& source, Warnings& warnings);

}  // namespace brindlemoor::office
