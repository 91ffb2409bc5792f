// Print setup records of a worksheet: HEADER, FOOTER, HCENTER, VCENTER, the
// four margins and SETUP.
#pragma once

#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

namespace brindlemoor::office::xls {

void writePageSetup(BiffStream& out, const PageSetup& setup);

// The WSBOOL flags for a sheet (fit to pages is one of them).
std::uint16_t wsBoolFlags(const std::optional<PageSetup>& setup);

}  // namespace brindlemoor::office::xls
