#include "package_builder.h"

#include "office/ods/reader.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>
#include <random>
#include <stdexcept>

namespace brindlemoor::office::testing {

const char* const kOdfNamespaces =
    R"( xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
    R"( xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0")"
    R"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0")"
    R"( xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0")"
    R"( xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0")"
    R"( xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0")"
    R"( xmlns:xlink="http://www.w3.org/1999/xlink")"
    R"( xmlns:dc="http://purl.org/dc/elements/1.1/")"
    R"( xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0")"
    R"( xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0")"
    R"( xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0")"
    R"( xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0")"
    R"( xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0")"
    R"( xmlns:tableooo="http://openoffice.org/2009/table")"
    R"( xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2")";

TempDir::TempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("brindlemoor-ods-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeZip(const std::filesystem::path& file, const std::vector<Member>& members) {
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("cannot create " + file.string());
    for (const Member& member : members) {
        zip_source_t* source = zip_source_buffer(archive, member.content.data(), member.content.size(), 0);
        const zip_int64_t index = zip_file_add(archive, member.name.c_str(), source, ZIP_FL_OVERWRITE);
        if (index < 0) throw std::runtime_error("cannot add " + member.name);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), member.compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    if (zip_close(archive) != 0) throw std::runtime_error("cannot write " + file.string());
}

std::string contentXml(const std::string& automaticStyles, const std::string& spreadsheetBody) {
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document-content)") + kOdfNamespaces +
           R"( office:version="1.3"><office:automatic-styles>)" + automaticStyles +
           "</office:automatic-styles><office:body><office:spreadsheet>" + spreadsheetBody +
           "</office:spreadsheet></office:body></office:document-content>";
}

std::string stylesXml(const std::string& commonStyles) {
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document-styles)") + kOdfNamespaces +
           R"( office:version="1.3"><office:styles>)" + commonStyles + "</office:styles></office:document-styles>";
}

void writeSpreadsheet(const std::filesystem::path& file, const std::string& content, const std::string& styles) {
    std::vector<Member> members{{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                                {"content.xml", content}};
    if (!styles.empty()) members.push_back({"styles.xml", styles});
    writeZip(file, members);
}

void writeText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

Workbook read(const std::filesystem::path& file, std::vector<std::string>* warnings) {
    Warnings collected;
    Workbook workbook = readSpreadsheet(file, collected);
    if (warnings) *warnings = collected;
    return workbook;
}

std::string readFailure(const std::filesystem::path& file) {
    try {
        Warnings warnings;
        readSpreadsheet(file, warnings);
    } catch (const ConversionError& error) {
        return error.what();
    }
    return {};
}

const Cell* cellAt(const Sheet& sheet, RowIndex row, ColumnIndex column) {
    for (const Row& r : sheet.rows) {
        if (row < r.index || row >= r.index + r.repeat) continue;
        for (const Cell& cell : r.cells) {
            if (column >= cell.column && column < cell.column + cell.repeat) return &cell;
        }
    }
    return nullptr;
}

std::string textOf(const Workbook& workbook, const Cell& cell) {
    return cell.type == CellType::Text ? workbook.strings.at(cell.text) : std::string();
}

}  // namespace brindlemoor::office::testing
