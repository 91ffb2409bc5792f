// Command-line options of brindlemoor-convert.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace brindlemoor::cli {

struct Options {
    std::vector<std::filesystem::path> inputs;
    std::optional<std::filesystem::path> outputFolder;  // unset: beside each input
    unsigned jobs = 1;
    bool quiet = false;
    bool help = false;
};

// Throws std::invalid_argument with a message for the user on bad usage.
Options parseOptions(const std::vector<std::string>& arguments);

std::string usageText();

// The .xls path for `input`: its file name with the last extension replaced
// (a name without one just gains ".xls"), in `folder` or beside the input.
std::filesystem::path outputPathFor(const std::filesystem::path& input,
                                    const std::optional<std::filesystem::path>& folder);

}  // namespace brindlemoor::cli
