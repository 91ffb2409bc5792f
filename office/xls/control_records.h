// Form controls (buttons, check boxes, option buttons, labels, group boxes,
// list boxes, drop-down lists, spin buttons and scroll bars) as Excel 97
// keeps them: a shape of the sheet's drawing whose OBJ record names the
// control and carries its state, the cell it is linked to and the cells that
// fill its list; the label follows in a TXO.
#pragma once

#include "office/formula/byte_writer.h"
#include "office/formula/workbook_formulas.h"
#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

#include <cstdint>

namespace brindlemoor::office::xls {

class ShapeProperties;

bool isFormControl(DrawingKind kind);
// Controls whose label is a TXO after the shape.
bool controlHasLabel(DrawingKind kind);


// The formula tokens (rgce) of a control's linked cell and list range;
// empty when it has none or they could not be translated.
struct ControlLinks {
    formula::Bytes linkedCell;
    formula::Bytes sourceRange;
    std::uint32_t sourceCells = 0;  // how many cells fill the list
};

ControlLinks controlLinks(const formula::WorkbookFormulas& formulas, std::uint32_t sheet, const FormControl& control);

// A list or drop-down whose entries are its own rather than cells': Excel 97
// lists are filled from cells only, so those entries are not written.
bool losesOwnEntries(const Drawing& control, const ControlLinks& links);

// The shape's properties: no fill or outline of its own (the reader draws
// the control), text for labelled ones.
void addControlProperties(ShapeProperties& properties, const Drawing& control);

// Option buttons of a sheet choose among each other: each names the next
// (the last the first), and the first says so.
struct OptionChain {
    std::uint16_t next = 0;  // object id; 0: none but itself
    bool first = true;
};

// The body of the control's OBJ record: its sub-records, ftCmo first and
// ftEnd last.
formula::Bytes controlObjData(const Drawing& control, std::uint16_t objectId, const ControlLinks& links,
                              OptionChain options = {});

void writeControlObj(BiffStream& out, const Drawing& control, std::uint16_t objectId, const ControlLinks& links,
                     OptionChain options = {});

}  // namespace brindlemoor::office::xls
