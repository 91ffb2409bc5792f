#include "office/formula/link_table.h"

#include "office/formula/formula_error.h"

#include <algorithm>
#include <cctype>

namespace brindlemoor::office::formula {
namespace {

constexpr std::uint16_t kSupbook = 0x01AE;
constexpr std::uint16_t kExternSheet = 0x0017;
constexpr std::uint16_t kExternName = 0x0023;
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
    return entry({0, firstSheet, lastSheet});
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

std::pair<std::uint16_t, std::uint16_t> LinkTable::addInFunction(std::string_view name)
{
    std::uint16_t sheet = entry({1, kNoSheet, kNoSheet});
    auto it = std::find(addInNames_.begin(), addInNames_.end(), name);
    if (it == addInNames_.end())
        it = addInNames_.insert(addInNames_.end(), std::string(name));
    return {sheet, static_cast<std::uint16_t>(it - addInNames_.begin() + 1)};
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
    Bytes externSheet;
    putU16(externSheet, static_cast<std::uint16_t>(entries_.size()));
    for (const Entry& e : entries_) {
        putU16(externSheet, e.supbook);
        putU16(externSheet, static_cast<std::uint16_t>(e.first));
        putU16(externSheet, static_cast<std::uint16_t>(e.last));
    }
    putRecord(out, kExternSheet, externSheet);
    return out;
}

}  // namespace brindlemoor::office::formula
