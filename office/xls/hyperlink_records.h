// HLINK records: cell hyperlinks to web addresses and files (a URL moniker)
// and to places in the workbook (a location such as 'My sheet'!B7).
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

#include <string>
#include <string_view>
#include <vector>

namespace brindlemoor::office::xls {

// "#Sheet.A1", "#'My sheet'.$B$7" (the document's form) as an Excel location,
// with the sheet under the name it was written as.
std::u16string workbookLocation(const std::string& target, const Workbook& workbook,
                                const std::vector<std::u16string>& sheetNames);

// A web address in the form URLs are written: characters a URL may not
// hold as they are (spaces, controls, quotes, angle brackets and the like)
// percent-encoded, as browsers and office suites send them.
std::string escapedUrl(std::string_view url);

void writeHyperlinks(BiffStream& out, const Sheet& sheet, const Workbook& workbook,
                     const std::vector<std::u16string>& sheetNames, const std::string& sheetName, Warnings& warnings);

}  // namespace brindlemoor::office::xls
