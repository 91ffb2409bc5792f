// Told of every row as the reader finishes it, on the reading thread, so that
// work on finished rows overlaps the reading of the next ones.
#pragma once

#include "office/model/workbook.h"

namespace brindlemoor::office {

class RowListener {
public:
    virtual ~RowListener() = default;

    // A table begins; its rows follow.
    virtual void sheetStarted() = 0;
    // `sheet.rows.back()` is complete and will not change (but for formula
    // cells, whose formats the reader may settle at the end). `sheet` is not
    // yet in `workbook`.
    virtual void rowAdded(const Workbook& workbook, const Sheet& sheet) = 0;
    // The table ends: `kept` when it was appended to Workbook::sheets, false
    // when it went elsewhere (another file's cached sheet).
    virtual void sheetEnded(bool kept) = 0;
};

}  // namespace brindlemoor::office
