// Page layouts and master pages of a document, translated into the print
// setup of a sheet: paper, orientation, margins, scaling, centring, and the
// header and footer with their fields in Excel's codes (&P, &N, &A, ...).
#pragma once

#include "office/model/workbook.h"

#include <optional>
#include <string>

namespace brindlemoor::office::ods {

class XmlReader;

struct PageLayout {
    std::optional<double> widthPt, heightPt;
    bool landscape = false;
    double marginLeftPt = 56.7, marginRightPt = 56.7, marginTopPt = 56.7, marginBottomPt = 56.7;
    double headerHeightPt = 0, footerHeightPt = 0;  // the area above / below the body, spacing included
    std::optional<int> scalePercent;
    std::optional<int> fitWidth, fitHeight;       // pages across and down; 0: as many as needed
    bool centerHorizontally = false, centerVertically = false;
    bool printGridlines = false, printHeadings = false;
};

// Reads the style:page-layout element the reader stands on.
PageLayout readPageLayout(XmlReader& xml);

struct MasterPage {
    std::string layoutName;
    std::string header, footer;   // Excel codes; empty: none
    bool hasHeader = false, hasFooter = false;
};

// Reads the style:master-page element the reader stands on; a title field
// in its header or footer shows `documentTitle`.
MasterPage readMasterPage(XmlReader& xml, const std::string& documentTitle = {});

// The print setup of a sheet whose table uses `master` laid out by `layout`.
PageSetup pageSetupOf(const PageLayout& layout, const MasterPage& master);

// Excel's code for a paper of the given size in either orientation; 0 when
// Excel has none.
std::uint16_t excelPaperSize(double widthPt, double heightPt);

}  // namespace brindlemoor::office::ods
