#include "cli/options.h"

#include <charconv>
#include <stdexcept>

namespace brindlemoor::cli {

namespace {

unsigned parseJobs(const std::string& text) {
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc{} || end != text.data() + text.size() || jobs == 0 || jobs > 256)
        throw std::invalid_argument("-j needs a number of parallel conversions from 1 to 256, not \"" + text + "\"");
    return jobs;
}

}  // namespace

Options parseOptions(const std::vector<std::string>& arguments) {
    Options options;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&](const std::string& option) -> const std::string& {
            if (i + 1 >= arguments.size()) throw std::invalid_argument(option + " needs a value");
            return arguments[++i];
        };
        if (onlyFiles || argument == "-" || !argument.starts_with('-')) {
            options.inputs.emplace_back(argument);
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "-q" || argument == "--quiet") {
            options.quiet = true;
        } else if (argument == "-o" || argument == "--output") {
            options.outputFolder = value(argument);
        } else if (argument.starts_with("--output=")) {
            options.outputFolder = argument.substr(9);
        } else if (argument == "-j" || argument == "--jobs") {
            options.jobs = parseJobs(value(argument));
        } else if (argument.starts_with("-j") && argument.size() > 2) {
            options.jobs = parseJobs(argument.substr(2));
        } else if (argument.starts_with("--jobs=")) {
            options.jobs = parseJobs(argument.substr(7));
        } else {
            throw std::invalid_argument("unknown option " + argument);
        }
    }
    if (!options.help && options.inputs.empty()) throw std::invalid_argument("no spreadsheet to convert");
    if (options.outputFolder && options.outputFolder->empty()) throw std::invalid_argument("-o needs a folder");
    return options;
}

std::string usageText() {
    return "Usage: brindlemoor-convert FILE... [-o DIR] [-j N] [--quiet]\n"
           "Converts OpenDocument and OpenOffice spreadsheets (.ods, .ots, .sxc, .stc, .fods)\n"
           "to Excel 97 workbooks (.xls).\n"
           "\n"
           "  -o, --output DIR  write the workbooks into DIR (default: beside each file)\n"
           "  -j, --jobs N      convert N files at a time (default 1)\n"
           "  -q, --quiet       print only errors\n"
           "  -h, --help        show this help\n"
           "\n"
           "Each FILE.ext becomes FILE.xls. Exit status 0 when every file converted,\n"
           "1 when any failed, 2 on a usage error.\n";
}

std::filesystem::path outputPathFor(const std::filesystem::path& input,
                                    const std::optional<std::filesystem::path>& folder) {
    std::filesystem::path name = input.filename();
    name.replace_extension(".xls");
    return (folder ? *folder : input.parent_path()) / name;
}

}  // namespace brindlemoor::cli
