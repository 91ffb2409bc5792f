#include "office/xls/writer.h"

#include "office/xls/compound_file.h"
#include "office/xls/temporary_output.h"
#include "office/xls/workbook_stream.h"

#include <cstdio>
#include <memory>
#include <new>

namespace brindlemoor::office {
namespace {

// Up to this much of the stream stays in memory; a larger one goes to a file.
// A million cells take about 18 MB, which the stream reserves up front anyway.
constexpr std::size_t kSpillThreshold = std::size_t{64} << 20;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void writeXls(const Workbook& workbook, const std::filesystem::path& target, Warnings& warnings) {
    // Claim the output folder first: an unwritable folder fails before any work.
    xls::TemporaryOutput output(target);
    Warnings found;
    try {
        // A grid-filling workbook runs to hundreds of megabytes: its stream
        // goes to an anonymous temporary file (gone with the process, however
        // it ends) rather than staying in memory.
        const std::unique_ptr<std::FILE, FileCloser> spill(std::tmpfile());
        if (!spill) throw ConversionError("cannot write " + target.string() + ": no temporary file can be made");
        xls::BiffStream stream;
        stream.spillTo(spill.get(), kSpillThreshold);
        xls::writeWorkbookStream(workbook, found, stream);
        xls::writeCompoundFile(output.file(), target.string(), stream, workbook.properties);
    } catch (const std::bad_alloc&) {
        throw ConversionError("cannot write " + target.string() + ": out of memory");
    }
    output.commit();
    warnings.insert(warnings.end(), found.begin(), found.end());
}

}  // namespace brindlemoor::office
