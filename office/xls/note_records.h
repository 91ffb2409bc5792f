// Cell notes (comments) as Excel 97 stores them: each note is a text box
// shape in the sheet's drawing, an OBJ of type "note", its text in a TXO
// with CONTINUE records, and a NOTE record naming the cell and the author.
#pragma once

#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

#include <cstdint>
#include <vector>

namespace brindlemoor::office::xls {

class DrawingBytes;

struct PlacedNote {
    std::uint16_t row = 0, column = 0;
    const Annotation* annotation = nullptr;
    // The box's first and last column: visible ones, since readers drop a
    // note whose box has no width.
    std::uint16_t boxFirstColumn = 0, boxLastColumn = 0;
};

// The notes of a sheet that fit the grid, in row and column order.
std::vector<PlacedNote> notesOf(const Sheet& sheet);

// The note's shape container, without its text box record (that follows the OBJ).
void writeNoteShape(DrawingBytes& out, std::uint32_t shapeId, const PlacedNote& note);
// The note's OBJ record.
void writeNoteObj(BiffStream& out, std::uint16_t objectId);
// The NOTE record that ties the cell to its object.
void writeNote(BiffStream& out, const PlacedNote& note, std::uint16_t objectId);

}  // namespace brindlemoor::office::xls
