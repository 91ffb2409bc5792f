#include "office/xls/page_setup_records.h"

#include "office/xls/unicode_text.h"

#include <algorithm>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kHeader = 0x0014;
constexpr std::uint16_t kFooter = 0x0015;
constexpr std::uint16_t kHCenter = 0x0083;
constexpr std::uint16_t kVCenter = 0x0084;
constexpr std::uint16_t kLeftMargin = 0x0026;
constexpr std::uint16_t kRightMargin = 0x0027;
constexpr std::uint16_t kTopMargin = 0x0028;
constexpr std::uint16_t kBottomMargin = 0x0029;
constexpr std::uint16_t kSetup = 0x00A1;
constexpr std::size_t kMaxHeaderLength = 255;

void headerFooter(BiffStream& out, std::uint16_t id, const std::string& text) {
    // HEADER / FOOTER: the text, or an empty record for none.
    const auto start = out.beginRecord(id);
    if (!text.empty()) writeUnicodeString(out, cutUtf16(toUtf16(text), kMaxHeaderLength));
    out.endRecord(start);
}

void flag(BiffStream& out, std::uint16_t id, bool value) {
    const auto start = out.beginRecord(id);
    out.u16(value ? 1 : 0);
    out.endRecord(start);
}

void margin(BiffStream& out, std::uint16_t id, double inches) {
    const auto start = out.beginRecord(id);
    out.f64(std::clamp(inches, 0.0, 49.0));
    out.endRecord(start);
}

}  // namespace

std::uint16_t wsBoolFlags(const std::optional<PageSetup>& setup) {
    // Automatic page breaks, summary rows below, summary columns right,
    // outline symbols shown; 0x0100 fit to pages.
    return static_cast<std::uint16_t>(0x04C1 | (setup && setup->fitToPages ? 0x0100 : 0));
}

void writePageSetup(BiffStream& out, const PageSetup& setup) {
    headerFooter(out, kHeader, setup.header);
    headerFooter(out, kFooter, setup.footer);
    flag(out, kHCenter, setup.centerHorizontally);
    flag(out, kVCenter, setup.centerVertically);
    margin(out, kLeftMargin, setup.marginLeftIn);
    margin(out, kRightMargin, setup.marginRightIn);
    margin(out, kTopMargin, setup.marginTopIn);
    margin(out, kBottomMargin, setup.marginBottomIn);

    // SETUP: paper size, scale (%), first page number, fit width and height
    // (pages), flags (0x02 portrait; 0x04 would mean "paper, scale and
    // orientation not set", so it stays clear), resolution, vertical
    // resolution, header and footer margins (inches), copies.
    const auto start = out.beginRecord(kSetup);
    out.u16(setup.paperSize);
    out.u16(std::clamp<std::uint16_t>(setup.scalePercent, 10, 400));
    out.u16(1);
    out.u16(setup.fitWidth);
    out.u16(setup.fitHeight);
    out.u16(setup.landscape ? 0x0000 : 0x0002);
    out.u16(600);
    out.u16(600);
    out.f64(std::clamp(setup.headerMarginIn, 0.0, 49.0));
    out.f64(std::clamp(setup.footerMarginIn, 0.0, 49.0));
    out.u16(1);
    out.endRecord(start);
}

}  // namespace brindlemoor::office::xls
