// The whole path a received file takes: bytes on disk, zip, XML, workbook
// model, and the Excel 97 writer. Anything but a ConversionError escaping,
// or a sanitizer report, is a finding.
#include "office/engine.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::filesystem::path scratchFolder() {
    const std::filesystem::path shm = "/dev/shm";
    const auto base = std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
    const auto folder = base / ("brindlemoor-fuzz-load-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = scratchFolder();
    const auto source = folder / "input.ods";
    const auto target = folder / "output.xls";
    if (std::FILE* file = std::fopen(source.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    } else {
        return 0;
    }
    try {
        brindlemoor::office::convertToXls(source, target);
    } catch (const brindlemoor::office::ConversionError&) {
    }
    std::filesystem::remove(target);
    return 0;
}
