// The OLE2 compound file around the Workbook stream, written by libgsf,
// with the document summary (title, subject, author, keywords, comments,
// dates) in the standard property set streams.
#pragma once

#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

namespace brindlemoor::office::xls {

// Writes the compound file to `file`; throws ConversionError on failure.
// `name` is used in messages only. The Workbook stream is the given parts,
// one after the other.
void writeCompoundFile(std::FILE* file, const std::string& name, std::initializer_list<const BiffStream*> workbookStream,
                       const DocumentProperties& properties);

}  // namespace brindlemoor::office::xls
