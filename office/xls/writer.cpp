#include "office/xls/writer.h"

#include "office/xls/compound_file.h"
#include "office/xls/temporary_output.h"
#include "office/xls/workbook_stream.h"

#include <new>

namespace brindlemoor::office {

void writeXls(const Workbook& workbook, const std::filesystem::path& target, Warnings& warnings) {
    // Claim the output folder first: an unwritable folder fails before any work.
    xls::TemporaryOutput output(target);
    Warnings found;
    try {
        const xls::BiffStream stream = xls::buildWorkbookStream(workbook, found);
        xls::writeCompoundFile(output.file(), target.string(), stream.bytes(), workbook.properties);
    } catch (const std::bad_alloc&) {
        throw ConversionError("cannot write " + target.string() + ": out of memory");
    }
    output.commit();
    warnings.insert(warnings.end(), found.begin(), found.end());
}

}  // namespace brindlemoor::office
