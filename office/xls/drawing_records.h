// The drawing layer of an Excel 97 workbook: cell notes, pictures and
// drawing shapes share it. The globals hold one MSODRAWINGGROUP (the drawing
// group: shape id clusters and the store of pictures, one BSE + BLIP each).
// Each sheet with objects holds one drawing container that runs through its
// MSODRAWING records, cut before each shape's OBJ record (and before the TXO
// of a shape with text), so readers can pair every shape with its OBJ.
// Grouped shapes are written as groups, each a shape with an OBJ of its own.
#pragma once

#include "office/model/conversion_error.h"
#include "office/formula/workbook_formulas.h"
#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"
#include "office/xls/control_records.h"
#include "office/xls/note_records.h"
#include "office/xls/shared_strings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brindlemoor::office::xls {

// Office drawing records laid out in a byte buffer; containers are opened,
// filled and closed, and their lengths patched on closing.
class DrawingBytes {
public:
    void u8(std::uint8_t v) { data_.push_back(v); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void bytes(std::string_view v) { data_.insert(data_.end(), v.begin(), v.end()); }
    // Record header: version (4 bits), instance (12 bits), type, length.
    void header(std::uint16_t version, std::uint16_t instance, std::uint16_t type, std::uint32_t length);
    // A container (version 0xF); returns where it starts, for close().
    std::size_t open(std::uint16_t type, std::uint16_t instance = 0);
    void close(std::size_t start);

    std::size_t size() const { return data_.size(); }
    const std::vector<std::uint8_t>& data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

// A shape's property table (OPT): simple values, and complex ones (names)
// whose bytes follow the table. Written in property id order.
class ShapeProperties {
public:
    void set(std::uint16_t id, std::uint32_t value);
    void setText(std::uint16_t id, std::string_view utf8);  // a Unicode string, NUL-terminated
    void write(DrawingBytes& out) const;
    std::size_t count() const { return entries_.size(); }

private:
    struct Entry {
        std::uint16_t id;
        std::uint32_t value;
        std::string complex;
    };
    std::vector<Entry> entries_;
};

// TXO with its text in CONTINUE records, then its formatting runs: `runs`
// (in order of start; those at or past the text's end left out), or the
// whole text in font 0.
void writeTextObject(BiffStream& out, std::u16string_view text, std::span<const FormattingRun> runs = {});

// 16-byte identifier of a picture's bytes: the same picture twice is stored once.
std::array<std::uint8_t, 16> pictureId(std::string_view bytes);

class StyleSheet;

class SheetDrawings {
public:
    // Plans ids and the picture store for every sheet; objects that do not
    // fit the grid are left out and warned about.
    // Charts and form controls take the references to their cells from `formulas`,
    // notes the fonts of their text from `styles`.
    explicit SheetDrawings(const Workbook& workbook, Warnings* warnings = nullptr,
                           const formula::WorkbookFormulas* formulas = nullptr, const StyleSheet* styles = nullptr);

    bool empty() const { return drawings_ == 0; }
    // MSODRAWINGGROUP (and CONTINUE records), in the globals; nothing when no sheet has objects.
    void writeGroup(BiffStream& out) const;
    // The sheet's MSODRAWING, OBJ and TXO records, then its NOTE records.
    void writeSheet(BiffStream& out, std::uint32_t sheet) const;

private:
    struct Shape {
        const Drawing* drawing = nullptr;   // a drawing, or
        PlacedNote note{};                  // a note when `drawing` is null
        std::uint32_t picture = 0;          // 1-based index into the store; 0: none
        ControlLinks links;                 // a form control's cells
        OptionChain option;                 // an option button's group
        std::uint16_t objectId = 0;         // its OBJ's id; its shape id is the sheet's first + this
    };
    // A group's box in its coordinate space, or a member's place in it.
    struct Box {
        std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    };
    // What the sheet's drawing holds, in writing order: shapes, and groups
    // of them (Sheet::drawingGroups) with members of their own.
    struct Node {
        std::optional<std::size_t> shape;   // index into SheetPlan::shapes; unset: a group
        std::string name;                   // a group's
        std::vector<std::size_t> members;   // a group's, indices into SheetPlan::nodes
        DrawingAnchor anchor;               // a group's cells: those of all its members
        Box box;                            // where it stands in its group's space
        std::uint16_t objectId = 0;         // a group's
    };
    struct SheetPlan {
        std::vector<Shape> shapes;
        std::vector<Node> nodes;
        std::vector<std::size_t> top;       // nodes drawn on the sheet itself, back to front
        std::uint32_t objects = 0;          // shapes and groups
        std::uint32_t drawingId = 0;        // 0: no drawing
        std::uint32_t firstCluster = 0;     // shape ids start at firstCluster * 1024
    };
    struct StoredPicture {
        const Drawing* drawing;             // the first that shows it
        std::array<std::uint8_t, 16> id;
        std::uint32_t uses = 0;
    };
    struct Cut {
        std::size_t at;                     // where the MSODRAWING record ends
        std::size_t node;                   // whose OBJ, or TXO, follows
        bool beforeText;
    };
    static void planGroups(const Sheet& sheet, SheetPlan& plan);
    void writeNode(DrawingBytes& out, const SheetPlan& sheet, std::size_t node, bool inGroup, std::vector<Cut>& cuts) const;
    void writeShape(DrawingBytes& out, const Shape& shape, std::uint32_t shapeId, const Box* inGroup) const;
    void writeObj(BiffStream& out, const Shape& shape, std::uint16_t objectId) const;

    std::vector<SheetPlan> sheets_;
    std::vector<StoredPicture> pictures_;
    std::uint32_t drawings_ = 0;
    std::uint32_t clusters_ = 0;
    std::uint32_t shapes_ = 0;
    const formula::WorkbookFormulas* formulas_ = nullptr;  // the sheets charts refer to
    const StyleSheet* styles_ = nullptr;                   // the fonts of notes' texts
};

}  // namespace brindlemoor::office::xls
