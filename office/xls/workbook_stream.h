// The whole Workbook stream: globals, then one substream per sheet, with the
// sheet positions and string reference count patched in on the second pass.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

namespace brindlemoor::office::xls {

BiffStream buildWorkbookStream(const Workbook& workbook, Warnings& warnings);

// The same into `out`, which may spill to a file as it grows.
void writeWorkbookStream(const Workbook& workbook, Warnings& warnings, BiffStream& out);

// The same in two parts, written at the same time on two threads: the
// globals into `globals` and the sheets into `sheets`, whose positions are
// already moved to follow the globals. The stream is `globals` then `sheets`.
void writeWorkbookStream(const Workbook& workbook, Warnings& warnings, BiffStream& globals, BiffStream& sheets);

}  // namespace brindlemoor::office::xls
