#include "office/xls/writer.h"

#include "office/xls/compound_file.h"
#include "office/xls/temporary_output.h"
#include "office/xls/workbook_stream.h"

#include <cstdio>
#include <memory>
#include <new>

namespace brindlemoor::office {
namespace {

// Up to this much of the stream stays in memory, the rest goes to files: the
// sheets' part may hold more, a million cells taking about 18 MB (which the
// stream reserves up front anyway); the globals are mostly the shared texts.
constexpr std::size_t kSheetsInMemory = std::size_t{48} << 20;
constexpr std::size_t kGlobalsInMemory = std::size_t{16} << 20;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TemporaryFile = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

void writeXls(const Workbook& workbook, const std::filesystem::path& target, Warnings& warnings) {
    // Claim the output folder first: an unwritable folder fails before any work.
    xls::TemporaryOutput output(target);
    Warnings found;
    try {
        // A grid-filling workbook runs to hundreds of megabytes: what does not
        // stay in memory goes to anonymous temporary files (gone with the
        // process, however it ends).
        const TemporaryFile globalsSpill(std::tmpfile());
        const TemporaryFile sheetsSpill(std::tmpfile());
        if (!globalsSpill || !sheetsSpill) throw ConversionError("cannot write " + target.string() + ": no temporary file can be made");
        // The globals and the sheets are written at the same time, apart.
        xls::BiffStream globals;
        xls::BiffStream sheets;
        globals.spillTo(globalsSpill.get(), kGlobalsInMemory);
        sheets.spillTo(sheetsSpill.get(), kSheetsInMemory);
        xls::writeWorkbookStream(workbook, found, globals, sheets);
        xls::writeCompoundFile(output.file(), target.string(), {&globals, &sheets}, workbook.properties);
    } catch (const std::bad_alloc&) {
        throw ConversionError("cannot write " + target.string() + ": out of memory");
    }
    output.commit();
    warnings.insert(warnings.end(), found.begin(), found.end());
}

}  // namespace brindlemoor::office
