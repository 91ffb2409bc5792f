#include "office/xls/workbook_stream.h"

#include "office/xls/excel_limits.h"
#include "office/xls/drawing_records.h"
#include "office/xls/sheet_writer.h"
#include "office/xls/style_sheet.h"
#include "office/xls/unicode_text.h"
#include "office/xls/workbook_globals.h"

#include <algorithm>

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

}  // namespace

BiffStream buildWorkbookStream(const Workbook& workbook, Warnings& warnings) {
    BiffStream out;
    writeWorkbookStream(workbook, warnings, out);
    return out;
}

void writeWorkbookStream(const Workbook& input, Warnings& warnings, BiffStream& out) {
    Workbook repaired;
    const Workbook& workbook = *withOneVisibleSheet(input, repaired, warnings);
    if (leastCellBytes(workbook) > kMaxStreamBytes) tooLarge();

    std::vector<std::string> originalNames;
    std::vector<bool> hidden;
    for (const Sheet& sheet : workbook.sheets) {
        originalNames.push_back(sheet.name);
        hidden.push_back(!sheet.visible);
    }
    const std::vector<std::u16string> names = fitSheetNames(originalNames, warnings);

    std::uint32_t active = workbook.activeSheet < workbook.sheets.size() ? workbook.activeSheet : 0;
    if (hidden[active]) active = static_cast<std::uint32_t>(std::find(hidden.begin(), hidden.end(), false) - hidden.begin());

    std::vector<std::u16string> strings;
    std::vector<bool> textCut;
    strings.reserve(workbook.strings.size());
    textCut.reserve(workbook.strings.size());
    for (const std::string& text : workbook.strings.texts()) {
        std::u16string utf16 = toUtf16(text);
        textCut.push_back(utf16.size() > kMaxTextLength);
        if (textCut.back()) utf16 = std::u16string(cutUtf16(utf16, kMaxTextLength));
        strings.push_back(std::move(utf16));
    }

    const StyleSheet styles(workbook, warnings);

    // Every formula is translated first: the globals list the sheet links and names they use.
    const formula::WorkbookFormulas formulas(workbook, warnings);

    const SheetDrawings drawings(workbook, &warnings, &formulas);

    // Most of a large stream is one record per cell (about a dozen bytes) and
    // the shared texts; room made up front saves copying it as it grows.
    std::size_t expected = std::size_t{1} << 16;
    for (const Sheet& sheet : workbook.sheets) {
        for (const Row& row : sheet.rows) expected += 16 * row.cells.size() + 24;
    }
    for (const std::u16string& text : strings) expected += 3 + 2 * text.size();
    out.reserve(std::min(expected, kMaxReservation));
    const GlobalsLayout layout = writeGlobals(out, {workbook, styles, names, hidden, static_cast<std::uint16_t>(active), strings, warnings, &formulas, &drawings});

    std::uint32_t references = 0;
    for (std::uint32_t i = 0; i < workbook.sheets.size(); ++i) {
        if (out.size() > kMaxStreamBytes) tooLarge();
        out.patch32(layout.sheetOffsetFields[i], static_cast<std::uint32_t>(out.size()));
        SheetContext context{workbook, i, toUtf8(names[i]), i == active, styles, textCut, 0, warnings, &formulas, &names, &drawings};
        writeSheet(out, context);
        references += context.sstReferences;
    }
    // Texts that only formula results use stay in the table unreferenced;
    // some readers skip a table whose total count is below its unique count.
    if (out.size() > kMaxStreamBytes) tooLarge();
    out.patch32(layout.sstReferencesField, std::max<std::uint32_t>(references, static_cast<std::uint32_t>(strings.size())));
}

}  // namespace brindlemoor::office::xls
