// Reads an OpenDocument spreadsheet into the workbook model.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/row_listener.h"
#include "office/model/workbook.h"

#include <filesystem>

namespace brindlemoor::office {

// Throws ConversionError with a clear cause when the file cannot be read as a
// spreadsheet. What was read but had to be simplified goes to `warnings`.
// `rows`, if given, hears of each row of the tables as it is read.
Workbook readSpreadsheet(const std::filesystem::path& source, Warnings& warnings, RowListener* rows = nullptr);

}  // namespace brindlemoor::office
