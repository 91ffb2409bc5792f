// Writes small OpenDocument spreadsheets for tests: a zip with the given
// members, by default a mimetype and a content.xml around the given table XML.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace brindlemoor::testing {

using ZipMembers = std::vector<std::pair<std::string, std::string>>;  // name, bytes

void writeZip(const std::filesystem::path& file, const ZipMembers& members);

// content.xml of a spreadsheet whose office:spreadsheet element holds `tables`.
std::string spreadsheetContent(const std::string& tables);

// A minimal .ods: mimetype, manifest and content.xml around `tables`.
void writeOds(const std::filesystem::path& file, const std::string& tables);

// A fresh empty folder under the system's temporary folder, removed on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace brindlemoor::testing
