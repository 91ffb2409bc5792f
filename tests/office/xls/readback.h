// Test helper: writes a workbook with writeXls and reads the file back with
// the independent readers of xls_dump.py (olefile, xlrd).
#pragma once

#include "office/xls/writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace brindlemoor::office::xls::test {

using Line = std::vector<std::string>;

struct ReadBack {
    bool available = false;   // readers installed
    bool ok = false;          // readers accepted the file
    std::string errors;
    std::vector<Line> lines;

    std::vector<Line> all(const std::string& kind) const {
        std::vector<Line> found;
        for (const auto& line : lines) if (!line.empty() && line[0] == kind) found.push_back(line);
        return found;
    }
    // "cell" lines by "sheet!row,column"
    std::map<std::string, Line> cells() const {
        std::map<std::string, Line> map;
        for (const auto& line : all("cell")) map[line[1] + "!" + line[2] + "," + line[3]] = line;
        return map;
    }
};

// A fresh folder for one test's files, removed when the test program ends.
inline std::filesystem::path scratchFolder(const std::string& name) {
    static std::vector<std::filesystem::path> made;
    static const int cleanup = std::atexit([] {
        std::error_code ignored;
        for (const auto& folder : made) std::filesystem::remove_all(folder, ignored);
    });
    (void)cleanup;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("brindlemoor-xls-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    made.push_back(folder);
    return folder;
}

inline ReadBack readBack(const std::filesystem::path& xls) {
    ReadBack result;
    const std::string command = "/usr/bin/python3 '" XLS_DUMP_SCRIPT "' '" + xls.string() + "' 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    std::string output;
    char buffer[65536];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = ::pclose(pipe);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.available = code != 77 && code != 127;
    result.ok = code == 0;
    std::istringstream in(output);
    for (std::string text; std::getline(in, text);) {
        Line line;
        std::string field;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == '\t') {
                line.push_back(field);
                field.clear();
            } else if (text[i] == '\\' && i + 1 < text.size()) {
                const char next = text[++i];
                field += next == 'n' ? '\n' : next == 't' ? '\t' : next;
            } else {
                field += text[i];
            }
        }
        result.lines.push_back(std::move(line));
    }
    if (!result.ok) result.errors = output;
    return result;
}

// Writes and reads back; skips the test when the readers are not installed.
#define WRITE_AND_READ_BACK(result, workbook, path, warnings)              \
    ::brindlemoor::office::writeXls(workbook, path, warnings);             \
    const auto result = ::brindlemoor::office::xls::test::readBack(path);  \
    if (!result.available) GTEST_SKIP() << "python3-xlrd or python3-olefile missing"; \
    ASSERT_TRUE(result.ok) << result.errors

}  // namespace brindlemoor::office::xls::test
