#include "office/ods/page_style.h"

#include "office/ods/values.h"
#include "office/ods/xml_reader.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace brindlemoor::office::ods {
namespace {

double lengthOr(const XmlReader& xml, Ns ns, std::string_view name, double fallback) {
    if (auto text = xml.attribute(ns, name)) {
        if (auto pt = parseLengthPt(*text)) return *pt;
    }
    return fallback;
}

// The height an optional header or footer takes from the page: its own
// minimum height and the spacing to the body.
double headerFooterHeight(XmlReader& xml) {
    double height = 0;
    while (xml.nextChild()) {
        if (xml.is(Ns::Style, "header-footer-properties")) {
            height = lengthOr(xml, Ns::Fo, "min-height", 0) + lengthOr(xml, Ns::Fo, "margin-bottom", 0) +
                     lengthOr(xml, Ns::Fo, "margin-top", 0);
        }
        xml.skipElement();
    }
    return height;
}

void appendLiteral(std::string_view text, std::string& out) {
    for (char c : text) {
        if (c == '&') out += "&&";
        else if (c == '\n' || c == '\r' || c == '\t') out += ' ';
        else out += c;
    }
}

// Fields become Excel's codes; literal ampersands are doubled. Excel has no
// code for the document's title: its text is written in the field's place,
// and the file name where the document has no title (what the source's
// application shows then).
void readHeaderParagraph(XmlReader& xml, std::string& out, const std::string& title) {
    for (;;) {
        switch (xml.next()) {
        case XmlEvent::Text:
            for (char c : xml.text()) {
                if (c == '&') out += "&&";
                else out += c;
            }
            break;
        case XmlEvent::End: return;
        case XmlEvent::Eof: xml.fail("the document ends inside a header");
        case XmlEvent::Start: {
            const std::string_view local = xml.local();
            const bool text = xml.ns() == Ns::Text;
            if (text && local == "page-number") out += "&P", xml.skipElement();
            else if (text && local == "page-count") out += "&N", xml.skipElement();
            else if (text && local == "sheet-name") out += "&A", xml.skipElement();
            else if (text && local == "date") out += "&D", xml.skipElement();
            else if (text && local == "time") out += "&T", xml.skipElement();
            else if (text && local == "file-name") out += "&F", xml.skipElement();
            else if (text && local == "title") {
                if (title.empty()) out += "&F";
                else appendLiteral(title, out);
                xml.skipElement();
            }
            else if (text && local == "s") {
                const long long count = parseInteger(xml.attribute(Ns::Text, "c").value_or("1")).value_or(1);
                out.append(static_cast<std::size_t>(std::clamp<long long>(count, 1, 255)), ' ');
                xml.skipElement();
            } else if (text && local == "line-break") out += '\n', xml.skipElement();
            else if (text && local == "tab") out += ' ', xml.skipElement();
            else readHeaderParagraph(xml, out, title);  // spans and other fields: their text
            break;
        }
        }
    }
}

std::string readRegion(XmlReader& xml, const std::string& title) {
    std::string text;
    int paragraphs = 0;
    while (xml.nextChild()) {
        if (xml.is(Ns::Text, "p")) {
            if (paragraphs++ > 0) text += '\n';
            readHeaderParagraph(xml, text, title);
        } else {
            xml.skipElement();
        }
    }
    return text;
}

// A style:header or style:footer in Excel's "&Lleft&Ccentre&Rright" form.
std::string readHeaderFooter(XmlReader& xml, const std::string& title) {
    std::string left, center, right;
    int paragraphs = 0;
    while (xml.nextChild()) {
        if (xml.is(Ns::Style, "region-left")) left = readRegion(xml, title);
        else if (xml.is(Ns::Style, "region-center")) center = readRegion(xml, title);
        else if (xml.is(Ns::Style, "region-right")) right = readRegion(xml, title);
        else if (xml.is(Ns::Text, "p")) {
            if (paragraphs++ > 0) center += '\n';
            readHeaderParagraph(xml, center, title);
        } else {
            xml.skipElement();
        }
    }
    std::string code;
    if (!left.empty()) code += "&L" + left;
    if (!center.empty()) code += "&C" + center;
    if (!right.empty()) code += "&R" + right;
    return code;
}

}  // namespace

PageLayout readPageLayout(XmlReader& xml) {
    PageLayout layout;
    while (xml.nextChild()) {
        if (xml.is(Ns::Style, "page-layout-properties") || xml.is(Ns::Style, "properties")) {
            if (auto width = xml.attribute(Ns::Fo, "page-width")) layout.widthPt = parseLengthPt(*width);
            if (auto height = xml.attribute(Ns::Fo, "page-height")) layout.heightPt = parseLengthPt(*height);
            layout.landscape = xml.attribute(Ns::Style, "print-orientation") == std::optional<std::string_view>("landscape");
            if (auto margin = xml.attribute(Ns::Fo, "margin")) {
                if (auto pt = parseLengthPt(*margin)) layout.marginLeftPt = layout.marginRightPt = layout.marginTopPt = layout.marginBottomPt = *pt;
            }
            layout.marginLeftPt = lengthOr(xml, Ns::Fo, "margin-left", layout.marginLeftPt);
            layout.marginRightPt = lengthOr(xml, Ns::Fo, "margin-right", layout.marginRightPt);
            layout.marginTopPt = lengthOr(xml, Ns::Fo, "margin-top", layout.marginTopPt);
            layout.marginBottomPt = lengthOr(xml, Ns::Fo, "margin-bottom", layout.marginBottomPt);
            if (auto scale = xml.attribute(Ns::Style, "scale-to")) {
                std::string_view number = *scale;
                if (number.ends_with('%')) number.remove_suffix(1);
                if (auto percent = parseNumber(number); percent && *percent >= 10 && *percent <= 400) {
                    layout.scalePercent = static_cast<int>(std::lround(*percent));
                }
            }
            const auto pages = [&](std::string_view name) -> std::optional<int> {
                if (auto text = xml.attribute(Ns::Style, name)) {
                    if (auto n = parseInteger(*text); n && *n >= 0 && *n <= 32767) return static_cast<int>(*n);
                }
                return std::nullopt;
            };
            // 1.x and some writers use the loext vocabulary's names; both read the same.
            layout.fitWidth = pages("scale-to-X");
            layout.fitHeight = pages("scale-to-Y");
            if (auto total = pages("scale-to-pages"); total && *total > 0 && !layout.fitWidth) {
                layout.fitWidth = 1;
                layout.fitHeight = *total;
            }
            if (auto print = xml.attribute(Ns::Style, "print")) {
                // A list of what is printed, e.g. "grid headers charts"
                std::string_view rest = *print;
                while (!rest.empty()) {
                    const std::size_t space = rest.find(' ');
                    const std::string_view word = rest.substr(0, space);
                    layout.printGridlines = layout.printGridlines || word == "grid";
                    layout.printHeadings = layout.printHeadings || word == "headers";
                    rest = space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
                }
            }
            if (auto centering = xml.attribute(Ns::Style, "table-centering")) {
                layout.centerHorizontally = *centering == "horizontal" || *centering == "both";
                layout.centerVertically = *centering == "vertical" || *centering == "both";
            }
            xml.skipElement();
        } else if (xml.is(Ns::Style, "header-style")) {
            layout.headerHeightPt = headerFooterHeight(xml);
        } else if (xml.is(Ns::Style, "footer-style")) {
            layout.footerHeightPt = headerFooterHeight(xml);
        } else {
            xml.skipElement();
        }
    }
    return layout;
}

MasterPage readMasterPage(XmlReader& xml, const std::string& documentTitle) {
    MasterPage master;
    master.layoutName = std::string(xml.attribute(Ns::Style, "page-layout-name").value_or(""));
    while (xml.nextChild()) {
        const bool shown = xml.attribute(Ns::Style, "display") != std::optional<std::string_view>("false");
        if (xml.is(Ns::Style, "header")) {
            master.hasHeader = shown;
            master.header = readHeaderFooter(xml, documentTitle);
        } else if (xml.is(Ns::Style, "footer")) {
            master.hasFooter = shown;
            master.footer = readHeaderFooter(xml, documentTitle);
        } else {
            xml.skipElement();
        }
    }
    if (!master.hasHeader) master.header.clear();
    if (!master.hasFooter) master.footer.clear();
    return master;
}

std::uint16_t excelPaperSize(double widthPt, double heightPt) {
    struct Paper { double widthMm, heightMm; std::uint16_t code; };
    static constexpr std::array kPapers{
        Paper{215.9, 279.4, 1},   // Letter
        Paper{279.4, 431.8, 3},   // Tabloid
        Paper{215.9, 355.6, 5},   // Legal
        Paper{184.15, 266.7, 7},  // Executive
        Paper{297, 420, 8},       // A3
        Paper{210, 297, 9},       // A4
        Paper{148, 210, 11},      // A5
        Paper{257, 364, 12},      // B4 (JIS)
        Paper{182, 257, 13},      // B5 (JIS)
    };
    const double shortMm = std::min(widthPt, heightPt) * 25.4 / 72, longMm = std::max(widthPt, heightPt) * 25.4 / 72;
    for (const Paper& paper : kPapers) {
        if (std::abs(shortMm - paper.widthMm) < 2 && std::abs(longMm - paper.heightMm) < 2) return paper.code;
    }
    return 0;
}

PageSetup pageSetupOf(const PageLayout& layout, const MasterPage& master) {
    constexpr double kPointsPerInch = 72;
    PageSetup setup;
    setup.landscape = layout.landscape;
    if (layout.widthPt && layout.heightPt) setup.paperSize = excelPaperSize(*layout.widthPt, *layout.heightPt);
    if (layout.scalePercent) setup.scalePercent = static_cast<std::uint16_t>(*layout.scalePercent);
    if (layout.fitWidth || layout.fitHeight) {
        setup.fitToPages = true;
        setup.fitWidth = static_cast<std::uint16_t>(layout.fitWidth.value_or(0));
        setup.fitHeight = static_cast<std::uint16_t>(layout.fitHeight.value_or(0));
    }
    setup.marginLeftIn = layout.marginLeftPt / kPointsPerInch;
    setup.marginRightIn = layout.marginRightPt / kPointsPerInch;
    // The document's page margin reaches to its header; Excel measures the
    // header's place and the body's margin from the same edge.
    const bool header = master.hasHeader, footer = master.hasFooter;
    setup.headerMarginIn = layout.marginTopPt / kPointsPerInch;
    setup.footerMarginIn = layout.marginBottomPt / kPointsPerInch;
    setup.marginTopIn = (layout.marginTopPt + (header ? layout.headerHeightPt : 0)) / kPointsPerInch;
    setup.marginBottomIn = (layout.marginBottomPt + (footer ? layout.footerHeightPt : 0)) / kPointsPerInch;
    setup.centerHorizontally = layout.centerHorizontally;
    setup.centerVertically = layout.centerVertically;
    setup.printGridlines = layout.printGridlines;
    setup.printHeadings = layout.printHeadings;
    setup.header = master.header;
    setup.footer = master.footer;
    return setup;
}

}  // namespace brindlemoor::office::ods
