#include "office/xls/workbook_stream.h"

#include "office/xls/excel_limits.h"
#include "office/xls/drawing_records.h"
#include "office/xls/sheet_writer.h"
#include "office/xls/style_sheet.h"
#include "office/xls/unicode_text.h"
#include "office/xls/workbook_globals.h"

#include <algorithm>
#include <functional>
#include <future>
#include <system_error>

namespace brindlemoor::office::xls {

namespace {

// Up front room is a guess from the cell count; a stream that spills never needs more.
constexpr std::size_t kMaxReservation = std::size_t{64} << 20;

// Excel 97 files are compound files of the first version, which readers take
// to be at most 2 GB; the stream must leave room for the file's own tables.
constexpr std::uint64_t kMaxStreamBytes = (std::uint64_t{2} << 30) - (std::uint64_t{64} << 20);

[[noreturn]] void tooLarge() {
    throw ConversionError("the workbook would be larger than an Excel 97 file can be (2 GB); it has too many filled cells");
}

// The fewest bytes the cells with a value take once cut to Excel's grid (six
// each, as numbers in a run do). A few repeat counts can ask for gigabytes:
// that is known here, before any is written.
std::uint64_t leastCellBytes(const Workbook& workbook) {
    std::uint64_t bytes = 0;
    for (const Sheet& sheet : workbook.sheets) {
        for (const Row& row : sheet.rows) {
            if (row.index >= kMaxRows) continue;
            const std::uint64_t rows = std::min<std::uint64_t>(std::uint64_t{row.index} + std::max<std::uint32_t>(row.repeat, 1), kMaxRows) - row.index;
            std::uint64_t cells = 0;
            for (const Cell& cell : row.cells) {
                if (cell.column >= kMaxColumns || (cell.type == CellType::Empty && cell.formula == kNone)) continue;
                cells += std::min<std::uint64_t>(std::uint64_t{cell.column} + std::max<std::uint32_t>(cell.repeat, 1), kMaxColumns) - cell.column;
            }
            bytes += 6 * rows * cells;
        }
    }
    return bytes;
}

// A workbook needs at least one sheet, and at least one of them visible.
Workbook const* withOneVisibleSheet(const Workbook& workbook, Workbook& repaired, Warnings& warnings) {
    const bool anyVisible = std::any_of(workbook.sheets.begin(), workbook.sheets.end(), [](const Sheet& s) { return s.visible; });
    if (anyVisible) return &workbook;
    if (workbook.sheets.empty()) {
        Sheet sheet;
        sheet.name = "Sheet1";
        repaired.sheets.push_back(std::move(sheet));
        repaired.formats = workbook.formats;
        repaired.properties = workbook.properties;
        return &repaired;
    }
    repaired = workbook;
    repaired.sheets.front().visible = true;
    warnings.push_back("Every sheet was hidden; sheet \"" + repaired.sheets.front().name + "\" is shown, as Excel requires one visible sheet");
    return &repaired;
}

// Runs `work` on a thread of its own when one can be had; otherwise it runs
// when its result is asked for.
template <typename Work>
auto alongside(const Work& work) {
    try {
        return std::async(std::launch::async, work);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, work);
    }
}

// Every text of the pool in UTF-16, cut to what a cell holds.
std::vector<std::u16string> sharedTexts(const Workbook& workbook) {
    std::vector<std::u16string> strings;
    strings.reserve(workbook.strings.size());
    for (const std::string& text : workbook.strings.texts()) {
        std::u16string utf16 = toUtf16(text);
        if (utf16.size() > kMaxTextLength) utf16 = std::u16string(cutUtf16(utf16, kMaxTextLength));
        strings.push_back(std::move(utf16));
    }
    return strings;
}

// Which texts are cut. A text never has more UTF-16 units than UTF-8 bytes,
// so only long ones need converting to tell.
std::vector<bool> cutTexts(const Workbook& workbook) {
    std::vector<bool> cut;
    cut.reserve(workbook.strings.size());
    for (const std::string& text : workbook.strings.texts()) {
        cut.push_back(text.size() > kMaxTextLength && toUtf16(text).size() > kMaxTextLength);
    }
    return cut;
}

// Room for the shared texts and for the cell records (about a dozen bytes
// each): most of a large stream. Made up front, it saves copying the stream
// as it grows.
std::size_t expectedTextBytes(const std::vector<std::u16string>& strings) {
    std::size_t expected = 0;
    for (const std::u16string& text : strings) expected += 3 + 2 * text.size();
    return expected;
}

std::size_t expectedCellBytes(const Workbook& workbook) {
    std::size_t expected = 0;
    for (const Sheet& sheet : workbook.sheets) {
        for (const Row& row : sheet.rows) expected += 16 * row.cells.size() + 24;
    }
    return expected;
}

constexpr std::size_t kGlobalsBytes = std::size_t{1} << 16;

// Writes the substreams, the globals and the sheets, either one after the
// other into `out`, or, given `apart`, the sheets into it on this thread
// while the globals go into `out` on another.
void writeStreams(const Workbook& input, Warnings& warnings, BiffStream& out, BiffStream* apart) {
    Workbook repaired;
    const Workbook& workbook = *withOneVisibleSheet(input, repaired, warnings);
    if (leastCellBytes(workbook) > kMaxStreamBytes) tooLarge();

    // Only the globals' string table needs the texts in UTF-16: they are
    // converted while the rest is worked out.
    auto converting = alongside([&workbook] { return sharedTexts(workbook); });

    std::vector<std::string> originalNames;
    std::vector<bool> hidden;
    for (const Sheet& sheet : workbook.sheets) {
        originalNames.push_back(sheet.name);
        hidden.push_back(!sheet.visible);
    }
    const std::vector<std::u16string> names = fitSheetNames(originalNames, warnings);

    std::uint32_t active = workbook.activeSheet < workbook.sheets.size() ? workbook.activeSheet : 0;
    if (hidden[active]) active = static_cast<std::uint32_t>(std::find(hidden.begin(), hidden.end(), false) - hidden.begin());

    const std::vector<bool> textCut = cutTexts(workbook);

    const StyleSheet styles(workbook, warnings);

    // Every formula is translated first: the globals list the sheet links and names they use.
    const formula::WorkbookFormulas formulas(workbook, warnings);

    const SheetDrawings drawings(workbook, &warnings, &formulas, &styles);

    std::vector<std::u16string> strings;
    Warnings globalsWarnings;
    const auto writeGlobalsPart = [&] {
        strings = converting.get();
        const std::size_t cells = apart ? 0 : expectedCellBytes(workbook);
        out.reserve(std::min(kGlobalsBytes + expectedTextBytes(strings) + cells, kMaxReservation));
        return writeGlobals(out, {workbook, styles, names, hidden, static_cast<std::uint16_t>(active), strings, globalsWarnings, &formulas, &drawings});
    };

    // Each sheet's position in its stream, and the cells that refer to shared texts.
    std::vector<std::size_t> sheetStarts;
    std::uint32_t references = 0;
    const auto writeSheets = [&](BiffStream& sheets, std::size_t before, Warnings& sheetWarnings,
                                 const std::function<void(std::uint32_t)>& started) {
        for (std::uint32_t i = 0; i < workbook.sheets.size(); ++i) {
            if (before + sheets.size() > kMaxStreamBytes) tooLarge();
            sheetStarts.push_back(sheets.size());
            started(i);
            SheetContext context{workbook, i, toUtf8(names[i]), i == active, styles, textCut, 0, sheetWarnings, &formulas, &names, &drawings};
            writeSheet(sheets, context);
            references += context.sstReferences;
        }
    };

    GlobalsLayout layout;
    if (!apart) {
        layout = writeGlobalsPart();
        warnings.insert(warnings.end(), globalsWarnings.begin(), globalsWarnings.end());
        writeSheets(out, 0, warnings, [&](std::uint32_t i) { out.patch32(layout.sheetOffsetFields[i], static_cast<std::uint32_t>(out.size())); });
    } else {
        auto globalsWritten = alongside(writeGlobalsPart);
        Warnings sheetWarnings;
        apart->reserve(std::min(expectedCellBytes(workbook), kMaxReservation));
        writeSheets(*apart, 0, sheetWarnings, [](std::uint32_t) {});
        layout = globalsWritten.get();
        // Warnings in the order of the stream: the globals', then the sheets'.
        warnings.insert(warnings.end(), globalsWarnings.begin(), globalsWarnings.end());
        warnings.insert(warnings.end(), sheetWarnings.begin(), sheetWarnings.end());
        apart->placeAfter(out.size());
        for (std::size_t i = 0; i < sheetStarts.size(); ++i) {
            out.patch32(layout.sheetOffsetFields[i], static_cast<std::uint32_t>(out.size() + sheetStarts[i]));
        }
    }
    // Texts that only formula results use stay in the table unreferenced;
    // some readers skip a table whose total count is below its unique count.
    if (out.size() + (apart ? apart->size() : 0) > kMaxStreamBytes) tooLarge();
    out.patch32(layout.sstReferencesField, std::max<std::uint32_t>(references, static_cast<std::uint32_t>(strings.size())));
}

}  // namespace

BiffStream buildWorkbookStream(const Workbook& workbook, Warnings& warnings) {
    BiffStream out;
    writeWorkbookStream(workbook, warnings, out);
    return out;
}

void writeWorkbookStream(const Workbook& workbook, Warnings& warnings, BiffStream& out) {
    writeStreams(workbook, warnings, out, nullptr);
}

void writeWorkbookStream(const Workbook& workbook, Warnings& warnings, BiffStream& globals, BiffStream& sheets) {
    writeStreams(workbook, warnings, globals, &sheets);
}

}  // namespace brindlemoor::office::xls
