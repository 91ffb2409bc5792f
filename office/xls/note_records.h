// Cell notes (comments) as Excel 97 stores them: each note is a text box
// shape in the sheet's drawing (MSODRAWING), an OBJ of type "note", its text
// in a TXO with CONTINUE records, and a NOTE record naming the cell and the
// author. The workbook's MSODRAWINGGROUP counts the drawings and shape ids.
#pragma once

#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindlemoor::office::xls {

struct PlacedNote {
    std::uint16_t row, column;
    const Annotation* annotation;
};

// The notes of a sheet that fit the grid, in row and column order.
std::vector<PlacedNote> notesOf(const Sheet& sheet);

class NoteDrawings {
public:
    explicit NoteDrawings(const Workbook& workbook);

    bool empty() const { return drawings_ == 0; }
    // MSODRAWINGGROUP, in the globals; nothing when no sheet has notes.
    void writeGroup(BiffStream& out) const;
    // The sheet's MSODRAWING, OBJ and TXO records, then its NOTE records.
    void writeSheet(BiffStream& out, std::uint32_t sheet) const;

private:
    struct SheetNotes {
        std::vector<PlacedNote> notes;
        std::uint32_t drawingId = 0;     // 0: no drawing
        std::uint32_t firstCluster = 0;  // shape ids start at firstCluster * 1024
    };
    std::vector<SheetNotes> sheets_;
    std::uint32_t drawings_ = 0;
    std::uint32_t clusters_ = 0;
    std::uint32_t shapes_ = 0;
};

}  // namespace brindlemoor::office::xls
