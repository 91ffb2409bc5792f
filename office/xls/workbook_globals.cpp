#include "office/xls/workbook_globals.h"

#include "office/xls/link_table.h"
#include "office/xls/shared_strings.h"
#include "office/xls/sheet_records.h"
#include "office/xls/unicode_text.h"

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kInterfaceHdr = 0x00E1;
constexpr std::uint16_t kMms = 0x00C1;
constexpr std::uint16_t kInterfaceEnd = 0x00E2;
constexpr std::uint16_t kWriteAccess = 0x005C;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kDsf = 0x0161;
constexpr std::uint16_t kTabId = 0x013D;
constexpr std::uint16_t kWindowProtect = 0x0019;
constexpr std::uint16_t kProtect = 0x0012;
constexpr std::uint16_t kPassword = 0x0013;
constexpr std::uint16_t kProt4Rev = 0x01AF;
constexpr std::uint16_t kProt4RevPass = 0x01BC;
constexpr std::uint16_t kWindow1 = 0x003D;
constexpr std::uint16_t kBackup = 0x0040;
constexpr std::uint16_t kHideObj = 0x008D;
constexpr std::uint16_t kDateMode = 0x0022;
constexpr std::uint16_t kPrecision = 0x000E;
constexpr std::uint16_t kRefreshAll = 0x01B7;
constexpr std::uint16_t kBookBool = 0x00DA;
constexpr std::uint16_t kUsesElfs = 0x0160;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kCountry = 0x008C;

constexpr std::uint16_t kUtf16CodePage = 1200;
constexpr std::size_t kWriteAccessSize = 112;

void writeInterface(BiffStream& out) {
    out.record16(kInterfaceHdr, kUtf16CodePage);  // INTERFACEHDR: code page of the user interface
    out.record16(kMms, 0);                        // MMS: reserved
    out.record(kInterfaceEnd, {});
}

void writeWriteAccess(BiffStream& out) {
    // WRITEACCESS: the name of the user who saved the file, padded with spaces to 112 bytes.
    const auto start = out.beginRecord(kWriteAccess);
    writeUnicodeString(out, u"Brindlemoor");
    out.raw(std::string(kWriteAccessSize - (out.size() - start - 4), ' ').data(), kWriteAccessSize - (out.size() - start - 4));
    out.endRecord(start);
}

void writeTabIds(BiffStream& out, std::size_t sheets) {
    // TABID: one id per sheet, in tab order.
    const auto start = out.beginRecord(kTabId);
    for (std::size_t i = 0; i < sheets; ++i) out.u16(static_cast<std::uint16_t>(i + 1));
    out.endRecord(start);
}

void writeProtection(BiffStream& out) {
    out.record16(kWindowProtect, 0);
    out.record16(kProtect, 0);
    out.record16(kPassword, 0);
    out.record16(kProt4Rev, 0);
    out.record16(kProt4RevPass, 0);
}

void writeWindow1(BiffStream& out, std::uint16_t activeSheet) {
    // WINDOW1: position and size (twips), flags (scroll bars, sheet tabs),
    // active sheet, first visible tab, number of selected sheets, tab bar width ratio.
    const auto start = out.beginRecord(kWindow1);
    out.u16(360);
    out.u16(270);
    out.u16(14940);
    out.u16(9150);
    out.u16(0x0038);
    out.u16(activeSheet);
    out.u16(0);
    out.u16(1);
    out.u16(600);
    out.endRecord(start);
}

void writeWorkbookSettings(BiffStream& out, bool dates1904) {
    out.record16(kBackup, 0);
    out.record16(kHideObj, 0);
    out.record16(kDateMode, dates1904 ? 1 : 0);  // which date system serials count in
    out.record16(kPrecision, 1);  // full precision, not as displayed
    out.record16(kRefreshAll, 0);
    out.record16(kBookBool, 0);
}

// BOUNDSHEET: stream position of the sheet's BOF (patched later), visibility,
// sheet type (worksheet), name. Returns the position field's offset.
std::size_t writeBoundSheet(BiffStream& out, std::u16string_view name, bool hidden) {
    const auto start = out.beginRecord(kBoundSheet);
    const std::size_t field = out.size();
    out.u32(0);
    out.u8(hidden ? 1 : 0);
    out.u8(0);
    writeShortUnicodeString(out, name);
    out.endRecord(start);
    return field;
}

void writeCountry(BiffStream& out) {
    // COUNTRY: user interface and system country (1: United States).
    const auto start = out.beginRecord(kCountry);
    out.u16(1);
    out.u16(1);
    out.endRecord(start);
}

}  // namespace

GlobalsLayout writeGlobals(BiffStream& out, const GlobalsContext& context) {
    GlobalsLayout layout;
    writeBof(out, kBofWorkbook);
    writeInterface(out);
    writeWriteAccess(out);
    out.record16(kCodePage, kUtf16CodePage);
    out.record16(kDsf, 0);  // DSF: not a dual-format file
    writeTabIds(out, context.sheetNames.size());
    writeProtection(out);
    writeWindow1(out, context.activeSheet);
    writeWorkbookSettings(out, context.workbook.dates1904);
    context.styles.write(out);  // FONT, FORMAT, XF, STYLE, PALETTE
    out.record16(kUsesElfs, 0);
    for (std::size_t i = 0; i < context.sheetNames.size(); ++i) {
        layout.sheetOffsetFields.push_back(writeBoundSheet(out, context.sheetNames[i], context.sheetHidden[i]));
    }
    writeCountry(out);
    writeLinkTable(out, {context.workbook, context.sheetNames, context.warnings, context.formulas});
    if (context.drawings) context.drawings->writeGroup(out);
    layout.sstReferencesField = out.size() + 4;
    writeSharedStrings(out, context.strings, 0, context.styles.stringRuns());
    writeEof(out);
    return layout;
}

}  // namespace brindlemoor::office::xls
