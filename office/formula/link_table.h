// What formulas refer to outside their own cell: the workbook's sheets
// (through EXTERNSHEET entries, one per sheet or sheet range used) and its
// defined names (through the position of their NAME record).
#pragma once

#include "office/formula/ast.h"
#include "office/formula/byte_writer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace brindlemoor::office::formula {

constexpr std::uint32_t kWorkbookScope = 0xFFFFFFFF;

class LinkTable {
public:
    explicit LinkTable(std::vector<std::string> sheetNames);

    std::size_t sheetCount() const { return sheetNames_.size(); }

    // Exact name first, then regardless of case (sheet names are unique
    // regardless of case).
    std::optional<std::uint32_t> findSheet(std::string_view name) const;

    // The EXTERNSHEET entry for a sheet or a range of sheets, added when new.
    // Throws FormulaError when the record would grow beyond what it can hold.
    std::uint16_t externSheet(std::uint32_t firstSheet, std::uint32_t lastSheet);
    bool usesExternSheets() const { return !entries_.empty(); }

    // The EXTERNSHEET entry for a sheet or range of sheets of another file
    // (named by its URL), added when new; the file gets a SUPBOOK of its own.
    std::uint16_t externalSheet(const std::string& document, const std::string& firstSheet,
                                const std::string& lastSheet);

    // Cached values of another file's sheet, written with its SUPBOOK so
    // that readers can show and recalculate links without the file.
    struct CachedCell {
        std::uint32_t row = 0;
        std::uint32_t column = 0;
        std::variant<std::monostate, double, std::string, bool, ErrorCode> value;
    };
    void setExternalCache(const std::string& document, const std::string& sheet, std::vector<CachedCell> cells);

    // A call of an add-in function: the EXTERNSHEET entry of the add-in link
    // and the function's EXTERNNAME (counted from 1), both added when new.
    std::pair<std::uint16_t, std::uint16_t> addInFunction(std::string_view name);

    // Names in NAME record order; a formula refers to the i-th by i + 1.
    void setNames(std::vector<std::pair<std::string, std::uint32_t>> nameAndScope);

    // A function that Excel 97 lacks, called through a hidden function name
    // of the workbook (as later versions of Excel call theirs): the index of
    // its NAME record, which follows those of the defined names. Added when new.
    std::uint16_t functionName(std::string_view name);

    // A name that formulas use but the document does not define: a name of
    // the workbook defined as #NAME?, which is what such a formula gives.
    // The index of its NAME record, among the function names. Added when new.
    std::uint16_t undefinedName(std::string_view name);

    // Every name the document defines, translated or not: only others are
    // undefined.
    void setDocumentNames(std::vector<std::string> names) { documentNames_ = std::move(names); }
    bool documentDefines(std::string_view name) const;

    struct AddedName {
        std::string name;
        bool function = false;
    };
    const std::vector<AddedName>& addedNames() const { return addedNames_; }

    // A name of the sheet's own scope wins over a workbook name.
    std::optional<std::uint16_t> findName(std::string_view name, std::uint32_t sheet) const;

    // SUPBOOK (this workbook), SUPBOOK and EXTERNNAMEs of the add-in
    // functions, and EXTERNSHEET, ready for the globals. Empty when nothing
    // refers across sheets, calls an add-in or is named.
    Bytes externalReferenceRecords(bool haveNames);

private:
    enum class Book : std::uint8_t { Self, AddIns, External };
    struct Entry {
        Book book = Book::Self;
        std::uint32_t external = 0;  // which other file, for Book::External
        std::uint32_t first;
        std::uint32_t last;
        friend bool operator==(const Entry&, const Entry&) = default;
    };
    struct ExternalBook {
        std::string url;
        std::vector<std::string> sheets;
        std::vector<std::vector<CachedCell>> cache;  // per sheet
    };
    std::uint16_t entry(Entry e);
    std::uint32_t externalBook(const std::string& url);
    std::uint32_t externalBookSheet(ExternalBook& book, const std::string& sheet);
    std::uint16_t supbookIndex(const Entry& e) const;
    void putExternalBook(Bytes& out, const ExternalBook& book) const;

    std::vector<std::string> sheetNames_;
    std::vector<Entry> entries_;
    std::vector<std::string> addInNames_;
    std::vector<ExternalBook> externalBooks_;
    std::vector<std::pair<std::string, std::uint32_t>> names_;
    std::uint16_t addedName(std::string_view name, bool function);
    std::vector<AddedName> addedNames_;
    std::vector<std::string> documentNames_;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);

// A file's URL in the encoded form of Excel's links ("file:///C:/a/b.xls"
// becomes "\x01\x01" "Ca\x03" "b.xls").
std::u16string encodedDocumentName(std::string_view url);

}  // namespace brindlemoor::office::formula
