// The format a formula's result shows in when the cell leaves it to the
// application.
//
// An office suite shows the result of a formula whose cell has the General
// format in the format of what it computes: a formula that hands on another
// cell's value (=B2, or IF(...; B2; ...) when that branch is taken) shows it
// in that cell's format. Excel 97 shows a stored result in its cell's own
// format only, so that format is given to the cell.
#pragma once

#include "office/model/workbook.h"

namespace brindlemoor::office::ods {

void applyFormulaResultFormats(Workbook& workbook);

}  // namespace brindlemoor::office::ods
