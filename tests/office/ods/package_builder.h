// Builds small OpenDocument files inside a test: a zip package written with
// libzip from the members given, or a flat XML file.
#pragma once

#include "office/model/workbook.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace brindlemoor::office::testing {

// The namespace declarations of an OpenDocument part.
extern const char* const kOdfNamespaces;

// A temporary folder removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct Member {
    std::string name;
    std::string content;
    bool compress = true;
};

// Writes a zip archive with the members in the order given.
void writeZip(const std::filesystem::path& file, const std::vector<Member>& members);

// content.xml around the given automatic styles and spreadsheet body.
std::string contentXml(const std::string& automaticStyles, const std::string& spreadsheetBody);
// styles.xml around the given common styles.
std::string stylesXml(const std::string& commonStyles);

// A package with a stored mimetype first, content.xml and, when given, styles.xml.
void writeSpreadsheet(const std::filesystem::path& file, const std::string& content, const std::string& styles = {});

void writeText(const std::filesystem::path& file, const std::string& text);

// Reads a spreadsheet with the reader, expecting no failure.
Workbook read(const std::filesystem::path& file, std::vector<std::string>* warnings = nullptr);

// The message of the ConversionError reading the file throws; empty when it reads.
std::string readFailure(const std::filesystem::path& file);

// The cell at row, column (following runs), or nullptr.
const Cell* cellAt(const Sheet& sheet, RowIndex row, ColumnIndex column);
std::string textOf(const Workbook& workbook, const Cell& cell);

}  // namespace brindlemoor::office::testing
