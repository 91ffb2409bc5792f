// An output file that appears under its final name only when complete: the
// data goes to a uniquely named temporary file in the target folder, which
// commit() flushes to disk and renames into place. Without commit() the
// temporary file is removed.
#pragma once

#include <cstdio>
#include <filesystem>

namespace brindlemoor::office::xls {

class TemporaryOutput {
public:
    // Throws ConversionError ("cannot write to folder ...: <reason>").
    explicit TemporaryOutput(const std::filesystem::path& target);
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    std::FILE* file() const { return file_; }
    const std::filesystem::path& path() const { return temporary_; }
    void commit();

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

}  // namespace brindlemoor::office::xls
