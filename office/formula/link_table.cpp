#include "office/formula/link_table.h"

#include "office/formula/formula_error.h"

#include <algorithm>
#include <cctype>

namespace brindlemoor::office::formula {
namespace {

constexpr std::uint16_t kSupbook = 0x01AE;
constexpr std::uint16_t kExternSheet = 0x0017;
constexpr std::uint16_t kExternName = 0x0023;
constexpr std::uint16_t kExternCount = 0x0059;  // XCT
constexpr std::uint16_t kExternCells = 0x005A;  // CRN
constexpr std::size_t kMaxExternalSheets = 255;
constexpr std::uint16_t kAddInMarker = 0x3A01;      // SUPBOOK marker: add-in functions
constexpr std::uint32_t kNoSheet = 0xFFFE;          // sheet index of an add-in entry
constexpr std::uint16_t kSelfReference = 0x0401;  // SUPBOOK marker: this workbook
constexpr std::size_t kMaxEntries = (8224 - 2) / 6;  // one record, no CONTINUE

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

LinkTable::LinkTable(std::vector<std::string> sheetNames) : sheetNames_(std::move(sheetNames)) {}

std::optional<std::uint32_t> LinkTable::findSheet(std::string_view name) const
{
    for (std::size_t i = 0; i < sheetNames_.size(); ++i)
        if (sheetNames_[i] == name)
            return static_cast<std::uint32_t>(i);
    for (std::size_t i = 0; i < sheetNames_.size(); ++i)
        if (equalsIgnoringCase(sheetNames_[i], name))
            return static_cast<std::uint32_t>(i);
    return std::nullopt;
}

std::uint16_t LinkTable::externSheet(std::uint32_t firstSheet, std::uint32_t lastSheet)
{
    if (firstSheet > lastSheet)
        std::swap(firstSheet, lastSheet);
    if (lastSheet > 0xFFFF)
        throw FormulaError("refers to a sheet beyond what Excel 97 can address");
    return entry({Book::Self, 0, firstSheet, lastSheet});
}

std::uint16_t LinkTable::entry(Entry e)
{
    auto it = std::find(entries_.begin(), entries_.end(), e);
    if (it != entries_.end())
        return static_cast<std::uint16_t>(it - entries_.begin());
    if (entries_.size() >= kMaxEntries)
        throw FormulaError("refers to more sheet ranges than Excel 97 can hold");
    entries_.push_back(e);
    return static_cast<std::uint16_t>(entries_.size() - 1);
}

std::uint32_t LinkTable::externalBook(const std::string& url)
{
    for (std::size_t i = 0; i < externalBooks_.size(); ++i)
        if (externalBooks_[i].url == url)
            return static_cast<std::uint32_t>(i);
    if (url.empty() || toUtf16(url).size() > 255)
        throw FormulaError("links to a file whose name Excel 97 cannot hold");
    externalBooks_.push_back({url, {}, {}});
    return static_cast<std::uint32_t>(externalBooks_.size() - 1);
}

std::uint32_t LinkTable::externalBookSheet(ExternalBook& book, const std::string& sheet)
{
    for (std::size_t i = 0; i < book.sheets.size(); ++i)
        if (equalsIgnoringCase(book.sheets[i], sheet))
            return static_cast<std::uint32_t>(i);
    if (sheet.empty() || toUtf16(sheet).size() > 255 || book.sheets.size() >= kMaxExternalSheets)
        throw FormulaError("links to a sheet of another file that Excel 97 cannot name");
    book.sheets.push_back(sheet);
    book.cache.emplace_back();
    return static_cast<std::uint32_t>(book.sheets.size() - 1);
}

std::uint16_t LinkTable::externalSheet(const std::string& document, const std::string& firstSheet,
                                       const std::string& lastSheet)
{
    std::uint32_t index = externalBook(document);
    ExternalBook& book = externalBooks_[index];
    std::uint32_t first = externalBookSheet(book, firstSheet);
    std::uint32_t last = externalBookSheet(book, lastSheet);
    if (first > last)
        std::swap(first, last);
    return entry({Book::External, index, first, last});
}

void LinkTable::setExternalCache(const std::string& document, const std::string& sheet, std::vector<CachedCell> cells)
{
    for (ExternalBook& book : externalBooks_) {
        if (book.url != document)
            continue;
        for (std::size_t i = 0; i < book.sheets.size(); ++i)
            if (equalsIgnoringCase(book.sheets[i], sheet))
                book.cache[i] = std::move(cells);
    }
}

std::pair<std::uint16_t, std::uint16_t> LinkTable::addInFunction(std::string_view name)
{
    std::uint16_t sheet = entry({Book::AddIns, 0, kNoSheet, kNoSheet});
    auto it = std::find(addInNames_.begin(), addInNames_.end(), name);
    if (it == addInNames_.end())
        it = addInNames_.insert(addInNames_.end(), std::string(name));
    return {sheet, static_cast<std::uint16_t>(it - addInNames_.begin() + 1)};
}

std::uint16_t LinkTable::functionName(std::string_view name) { return addedName(name, true); }

std::uint16_t LinkTable::undefinedName(std::string_view name) { return addedName(name, false); }

bool LinkTable::documentDefines(std::string_view name) const
{
    return std::any_of(documentNames_.begin(), documentNames_.end(),
                       [&](const std::string& known) { return equalsIgnoringCase(known, name); });
}

std::uint16_t LinkTable::addedName(std::string_view name, bool function)
{
    auto it = std::find_if(addedNames_.begin(), addedNames_.end(), [&](const AddedName& known) {
        return known.function == function && equalsIgnoringCase(known.name, name);
    });
    if (it == addedNames_.end()) {
        if (names_.size() + addedNames_.size() >= 0xFFFF)
            throw FormulaError("the workbook has more names than Excel 97 allows");
        it = addedNames_.insert(addedNames_.end(), AddedName{std::string(name), function});
    }
    return static_cast<std::uint16_t>(names_.size() + static_cast<std::size_t>(it - addedNames_.begin()) + 1);
}

void LinkTable::setNames(std::vector<std::pair<std::string, std::uint32_t>> nameAndScope)
{
    names_ = std::move(nameAndScope);
}

std::optional<std::uint16_t> LinkTable::findName(std::string_view name, std::uint32_t sheet) const
{
    std::optional<std::uint16_t> workbookName;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (!equalsIgnoringCase(names_[i].first, name))
            continue;
        if (names_[i].second == sheet)
            return static_cast<std::uint16_t>(i + 1);
        if (names_[i].second == kWorkbookScope && !workbookName)
            workbookName = static_cast<std::uint16_t>(i + 1);
    }
    return workbookName;
}

std::uint16_t LinkTable::supbookIndex(const Entry& e) const
{
    // SUPBOOKs in record order: this workbook, the add-ins when called, the other files.
    switch (e.book) {
    case Book::Self: return 0;
    case Book::AddIns: return 1;
    case Book::External: break;
    }
    return static_cast<std::uint16_t>((addInNames_.empty() ? 1 : 2) + e.external);
}

Bytes LinkTable::externalReferenceRecords(bool haveNames)
{
    if (entries_.empty() && !haveNames)
        return {};  // add-in calls add an entry too
    if (entries_.empty())
        externSheet(0, 0);  // Excel expects at least one entry beside NAME records
    Bytes out;
    Bytes supbook;
    putU16(supbook, static_cast<std::uint16_t>(sheetNames_.size()));
    putU16(supbook, kSelfReference);
    putRecord(out, kSupbook, supbook);
    if (!addInNames_.empty()) {
        Bytes addIns;
        putU16(addIns, 1);
        putU16(addIns, kAddInMarker);
        putRecord(out, kSupbook, addIns);
        for (const auto& name : addInNames_) {
            Bytes externName;
            putU16(externName, 0);  // options: an ordinary name
            putU32(externName, 0);
            putString8(externName, toUtf16(name));
            // An add-in function has no formula of its own: #REF! stands in.
            for (std::uint8_t b : {0x02, 0x00, 0x1C, 0x17})
                putU8(externName, b);
            putRecord(out, kExternName, externName);
        }
    }
    for (const ExternalBook& book : externalBooks_)
        putExternalBook(out, book);
    Bytes externSheet;
    putU16(externSheet, static_cast<std::uint16_t>(entries_.size()));
    for (const Entry& e : entries_) {
        putU16(externSheet, supbookIndex(e));
        putU16(externSheet, static_cast<std::uint16_t>(e.first));
        putU16(externSheet, static_cast<std::uint16_t>(e.last));
    }
    putRecord(out, kExternSheet, externSheet);
    return out;
}

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int high = 0, low = 0;
        if (text[i] == '%' && i + 2 < text.size() && (high = hexDigit(text[i + 1])) >= 0 &&
            (low = hexDigit(text[i + 2])) >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

// Excel's encoded file name: 0x01 starts it; then 0x01 and a drive letter
// (or '@' and a server) for a volume, 0x02 for the root of the current
// volume, 0x03 between folders, or 0x05, a length and any other URL.
std::u16string encodedDocumentName(std::string_view url)
{
    std::string encoded = "\x01";
    constexpr std::string_view kFile = "file://";
    if (!url.starts_with(kFile)) {
        if (url.size() > 253)
            throw FormulaError("links to a file whose name Excel 97 cannot hold");
        encoded += '\x05';
        encoded += static_cast<char>(url.size());
        encoded += url;
        return toUtf16(encoded);
    }
    std::string path = percentDecoded(url.substr(kFile.size()));
    std::size_t start = 0;
    if (!path.starts_with("/")) {  // file://server/share/...
        encoded += "\x01@";
    } else if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[1])) && path[2] == ':') {
        encoded += '\x01';
        encoded += path[1];
        start = path.size() > 3 && path[3] == '/' ? 4 : 3;
    } else {
        encoded += '\x02';
        start = 1;
    }
    for (std::size_t i = start; i < path.size(); ++i)
        encoded += path[i] == '/' ? '\x03' : path[i];
    return toUtf16(encoded);
}

namespace {

constexpr std::size_t kMaxCachedRunBytes = 8000;

Bytes cachedValue(const std::variant<std::monostate, double, std::string, bool, ErrorCode>& value)
{
    Bytes out;
    if (auto number = std::get_if<double>(&value)) {
        putU8(out, 0x01);
        putF64(out, *number);
    } else if (auto text = std::get_if<std::string>(&value)) {
        putU8(out, 0x02);
        auto wide = toUtf16(*text);
        if (wide.size() > 255)
            wide.resize(255);
        putString16(out, wide);
    } else if (auto boolean = std::get_if<bool>(&value)) {
        putU8(out, 0x04);
        putU8(out, *boolean ? 1 : 0);
        out.insert(out.end(), 7, 0);
    } else if (auto error = std::get_if<ErrorCode>(&value)) {
        putU8(out, 0x10);
        putU8(out, static_cast<std::uint8_t>(*error));
        out.insert(out.end(), 7, 0);
    } else {
        putU8(out, 0x00);
        out.insert(out.end(), 8, 0);
    }
    return out;
}

}  // namespace

void LinkTable::putExternalBook(Bytes& out, const ExternalBook& book) const
{
    Bytes supbook;
    putU16(supbook, static_cast<std::uint16_t>(book.sheets.size()));
    putString16(supbook, encodedDocumentName(book.url));
    for (const auto& sheet : book.sheets)
        putString16(supbook, toUtf16(sheet));
    putRecord(out, kSupbook, supbook);

    for (std::size_t s = 0; s < book.sheets.size(); ++s) {
        const auto& cells = book.cache[s];
        if (cells.empty())
            continue;
        // One CRN per run of neighbouring cells in a row, as long as a record holds.
        std::vector<Bytes> rows;
        for (std::size_t i = 0; i < cells.size();) {
            Bytes values;
            std::size_t j = i;
            do {
                Bytes value = cachedValue(cells[j].value);
                if (j > i && values.size() + value.size() > kMaxCachedRunBytes)
                    break;
                values.insert(values.end(), value.begin(), value.end());
                ++j;
            } while (j < cells.size() && cells[j].row == cells[i].row && cells[j].column == cells[j - 1].column + 1 &&
                     j - i < 255);
            Bytes crn;
            putU8(crn, static_cast<std::uint8_t>(cells[j - 1].column));
            putU8(crn, static_cast<std::uint8_t>(cells[i].column));
            putU16(crn, static_cast<std::uint16_t>(cells[i].row));
            crn.insert(crn.end(), values.begin(), values.end());
            rows.push_back(std::move(crn));
            i = j;
        }
        // XCT counts its CRNs in 16 bits.
        for (std::size_t first = 0; first < rows.size(); first += 0xFFFF) {
            std::size_t last = std::min(rows.size(), first + 0xFFFF);
            Bytes count;
            putU16(count, static_cast<std::uint16_t>(last - first));
            putU16(count, static_cast<std::uint16_t>(s));
            putRecord(out, kExternCount, count);
            for (std::size_t r = first; r < last; ++r)
                putRecord(out, kExternCells, rows[r]);
        }
    }
}

}  // namespace brindlemoor::office::formula
