// Decides what a file is by its content (a zip package, a flat XML
// document, or neither) and reads it through the one document reader.
#include "office/ods/reader.h"

#include "office/ods/document_reader.h"
#include "office/ods/package.h"
#include "office/ods/xml_reader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>

namespace brindlemoor::office {
namespace {

using namespace ods;

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string trimmed(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    return text.substr(start);
}

// The manifest says which members are encrypted.
bool manifestDeclaresEncryption(ZipPackage& package, const std::string& member) {
    XmlReader xml(member, package.stream(member));
    try {
        for (XmlEvent event = xml.next(); event != XmlEvent::Eof; event = xml.next()) {
            if (event == XmlEvent::Start && xml.is(Ns::Manifest, "encryption-data")) return true;
        }
    } catch (const ConversionError&) {
        return false;  // a damaged manifest is no reason to refuse a readable document
    }
    return false;
}

void readOptionalPart(ZipPackage& package, std::string_view name, DocumentReader& document, Warnings& warnings) {
    const auto member = package.find(name);
    if (!member) return;
    try {
        XmlReader xml(*member, package.stream(*member));
        document.readPart(xml);
    } catch (const ConversionError& error) {
        warnings.push_back(std::string(name) + " could not be read and was left out (" + error.what() + ")");
    }
}

Workbook readPackage(const std::filesystem::path& source, Warnings& warnings) {
    ZipPackage package(source);

    if (const auto mimetype = package.find("mimetype")) {
        if (const auto type = package.readSmall(*mimetype, 256)) {
            if (const std::string kind = documentKindOfMimeType(trimmed(*type)); !kind.empty()) {
                throw ConversionError("not a spreadsheet (it is " + kind + ")");
            }
        }
    }
    const auto manifest = package.find("META-INF/manifest.xml") ? package.find("META-INF/manifest.xml")
                                                                 : package.findEndingWith("manifest.xml");
    if (manifest && manifestDeclaresEncryption(package, *manifest)) {
        throw ConversionError("the document is password-protected (encrypted)");
    }
    const auto content = package.find("content.xml");
    if (!content) {
        if (package.find("[Content_Types].xml")) {
            throw ConversionError("not an OpenDocument spreadsheet (it is an Office Open XML file such as .xlsx)");
        }
        throw ConversionError("not an OpenDocument spreadsheet (the archive has no content.xml)");
    }

    Workbook workbook;
    DocumentReader document(workbook, warnings);
    // The document's title first: a header or footer may show it.
    readOptionalPart(package, "meta.xml", document, warnings);
    if (const auto styles = package.find("styles.xml")) {
        XmlReader xml(*styles, package.stream(*styles));
        document.readPart(xml, true);
    }
    {
        XmlReader xml(*content, package.stream(*content));
        document.readPart(xml);
    }
    if (!document.sawSpreadsheet()) {
        throw ConversionError("not an OpenDocument spreadsheet (content.xml holds no spreadsheet)");
    }
    readOptionalPart(package, "settings.xml", document, warnings);
    loadPictures(&package, workbook, document.pendingPictures(), warnings);
    loadCharts(&package, workbook, document.pendingPictures(), warnings);
    document.finish();
    return workbook;
}

Workbook readFlat(const std::filesystem::path& source, Warnings& warnings) {
    auto file = std::make_shared<std::ifstream>(source, std::ios::binary);
    if (!*file) throw ConversionError(std::string("the file cannot be opened (") + std::strerror(errno) + ")");
    XmlReader xml(source.filename().string(), [file](char* buffer, std::size_t size) {
        file->read(buffer, static_cast<std::streamsize>(size));
        if (file->bad()) throw ConversionError("the file cannot be read");
        return static_cast<std::size_t>(file->gcount());
    });
    Workbook workbook;
    DocumentReader document(workbook, warnings);
    document.readPart(xml);
    if (!document.sawSpreadsheet()) throw ConversionError("not an OpenDocument spreadsheet (the XML document holds no spreadsheet)");
    loadPictures(nullptr, workbook, document.pendingPictures(), warnings);  // pictures in files of their own
    loadCharts(nullptr, workbook, document.pendingPictures(), warnings);
    document.finish();
    return workbook;
}

Workbook readAnyKind(const std::filesystem::path& source, Warnings& warnings) {
    std::error_code error;
    const auto status = std::filesystem::status(source, error);
    if (!std::filesystem::exists(status)) throw ConversionError("the file does not exist");
    if (std::filesystem::is_directory(status)) throw ConversionError("it is a folder, not a spreadsheet file");
    // A pipe or device would block the read below for good, or never end.
    if (!std::filesystem::is_regular_file(status)) {
        throw ConversionError("it is not a regular file (a pipe, socket or device), not a spreadsheet file");
    }

    std::ifstream probe(source, std::ios::binary);
    if (!probe) throw ConversionError(std::string("the file cannot be opened (") + std::strerror(errno) + ")");
    char head[512] = {};
    probe.read(head, sizeof head);
    const std::string_view start(head, static_cast<std::size_t>(probe.gcount()));
    probe.close();

    if (start.empty()) throw ConversionError("the file is empty");
    if (startsWith(start, "PK")) return readPackage(source, warnings);
    std::string_view text = start;
    if (startsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    if (startsWith(text, "<")) return readFlat(source, warnings);
    if (startsWith(start, "\xD0\xCF\x11\xE0")) {
        throw ConversionError("not an OpenDocument spreadsheet (it is a Microsoft Office binary file)");
    }
    throw ConversionError("not an OpenDocument spreadsheet (neither a zip archive nor an XML document)");
}

}  // namespace

Workbook readSpreadsheet(const std::filesystem::path& source, Warnings& warnings) {
    const std::string name = source.filename().string();
    try {
        return readAnyKind(source, warnings);
    } catch (const ConversionError& error) {
        throw ConversionError(name + ": " + error.what());
    } catch (const std::bad_alloc&) {
        throw ConversionError(name + ": not enough memory to read the document");
    }
}

}  // namespace brindlemoor::office
