#include "office/engine.h"

#include "office/ods/reader.h"
#include "office/xls/column_width.h"
#include "office/xls/writer.h"

namespace brindlemoor::office {

Warnings convertToXls(const std::filesystem::path& source, const std::filesystem::path& target) {
    Warnings warnings;
    xls::prepareFontMetrics();  // the writer measures the default font; its setup overlaps the reading
    const Workbook workbook = readSpreadsheet(source, warnings);
    writeXls(workbook, target, warnings);
    return warnings;
}

}  // namespace brindlemoor::office
