#include "office/xls/control_records.h"

#include "office/xls/drawing_records.h"
#include "office/xls/unicode_text.h"

#include <algorithm>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kObj = 0x005D;

// OBJ sub-records.
constexpr std::uint16_t kFtEnd = 0x00, kFtCbls = 0x0A, kFtRbo = 0x0B, kFtSbs = 0x0C, kFtSbsFmla = 0x0E,
                        kFtGboData = 0x0F, kFtRboData = 0x11, kFtCblsData = 0x12, kFtLbsData = 0x13,
                        kFtCblsFmla = 0x14, kFtCmo = 0x15;

// A list's sub-record does not give its true length; readers parse it.
constexpr std::uint16_t kListLengthMarker = 0x1FEE;

// The scroll values a control keeps.
constexpr std::int32_t kMaxScrollValue = 30000;

// Room in the OBJ record for a list's own entries (the record cannot be continued).

using formula::Bytes;
using formula::putU16;
using formula::putU32;
using formula::putU8;

std::uint16_t objTypeOf(DrawingKind kind) {
    switch (kind) {
    case DrawingKind::Button: return 0x07;
    case DrawingKind::CheckBox: return 0x0B;
    case DrawingKind::OptionButton: return 0x0C;
    case DrawingKind::Label: return 0x0E;
    case DrawingKind::SpinButton: return 0x10;
    case DrawingKind::ScrollBar: return 0x11;
    case DrawingKind::ListBox: return 0x12;
    case DrawingKind::GroupBox: return 0x13;
    case DrawingKind::ComboBox: return 0x14;
    default: return 0x07;
    }
}

bool hasList(DrawingKind kind) { return kind == DrawingKind::ListBox || kind == DrawingKind::ComboBox; }
bool hasScroll(DrawingKind kind) {
    return hasList(kind) || kind == DrawingKind::SpinButton || kind == DrawingKind::ScrollBar;
}
bool isCheckable(DrawingKind kind) { return kind == DrawingKind::CheckBox || kind == DrawingKind::OptionButton; }

std::uint16_t scrollValue(std::int32_t v) { return static_cast<std::uint16_t>(std::clamp(v, 0, kMaxScrollValue)); }

void subRecord(Bytes& out, std::uint16_t ft, const Bytes& data) {
    putU16(out, ft);
    putU16(out, static_cast<std::uint16_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

// A formula of a control: its length, then the tokens' length, four unused
// bytes and the tokens, padded to an even length. Empty tokens: no formula.
Bytes objectFormula(const Bytes& tokens) {
    Bytes out;
    if (tokens.empty()) {
        putU16(out, 0);
        return out;
    }
    std::size_t length = 2 + 4 + tokens.size();
    const bool pad = length % 2 != 0;
    putU16(out, static_cast<std::uint16_t>(length + (pad ? 1 : 0)));
    putU16(out, static_cast<std::uint16_t>(tokens.size()));
    putU32(out, 0);
    out.insert(out.end(), tokens.begin(), tokens.end());
    if (pad) putU8(out, 0);
    return out;
}

// A string as a list keeps it: length, a flags byte (1: two bytes a
// character), the characters.
void putListString(Bytes& out, const std::u16string& text) {
    const bool wide = !fitsOneByte(text);
    putU16(out, static_cast<std::uint16_t>(text.size()));
    putU8(out, wide ? 1 : 0);
    for (char16_t c : text) {
        if (wide) putU16(out, c);
        else putU8(out, static_cast<std::uint8_t>(c));
    }
}

Bytes listData(const Drawing& control, const FormControl& settings, const ControlLinks& links) {
    // Only cells fill a list: entries of the control's own are left out (the
    // sheet's warnings name them), as readers either drop or misread them.
    const auto lines = static_cast<std::uint16_t>(
        links.sourceRange.empty() ? 0 : std::min<std::uint32_t>(links.sourceCells, kMaxScrollValue));
    const std::uint16_t selection = settings.multiSelect ? 1 : 0;

    Bytes out;
    putU16(out, kFtLbsData);
    putU16(out, kListLengthMarker);
    const Bytes range = objectFormula(links.sourceRange);
    out.insert(out.end(), range.begin(), range.end());
    putU16(out, lines);
    putU16(out, static_cast<std::uint16_t>(std::min<std::int32_t>(std::max(settings.value, 0), lines)));  // 1-based; 0: none
    std::uint16_t flags = 0x0100;  // a list of the sheet
    flags |= static_cast<std::uint16_t>(selection << 4);
    putU16(out, flags);
    putU16(out, 0);  // no edit box
    if (control.kind == DrawingKind::ComboBox) {
        putU16(out, 0);  // a drop-down list
        putU16(out, std::max<std::uint16_t>(settings.lines, 1));
        putU16(out, 0);  // as wide as the control
        putListString(out, u"");
        putU8(out, 0);  // pads the empty string to an even length
    }
    if (selection != 0) out.insert(out.end(), lines, 0);  // nothing selected
    return out;
}

}  // namespace

bool isFormControl(DrawingKind kind) {
    switch (kind) {
    case DrawingKind::Button:
    case DrawingKind::CheckBox:
    case DrawingKind::OptionButton:
    case DrawingKind::Label:
    case DrawingKind::GroupBox:
    case DrawingKind::ListBox:
    case DrawingKind::ComboBox:
    case DrawingKind::SpinButton:
    case DrawingKind::ScrollBar: return true;
    default: return false;
    }
}

bool losesOwnEntries(const Drawing& control, const ControlLinks& links) {
    return hasList(control.kind) && control.control && !control.control->items.empty() && links.sourceRange.empty();
}

bool controlHasLabel(DrawingKind kind) {
    return kind == DrawingKind::Button || kind == DrawingKind::CheckBox || kind == DrawingKind::OptionButton ||
           kind == DrawingKind::Label || kind == DrawingKind::GroupBox;
}

ControlLinks controlLinks(const formula::WorkbookFormulas& formulas, std::uint32_t sheet, const FormControl& control) {
    ControlLinks links;
    if (const auto* cell = formulas.controlReference(sheet, control.linkedCell); cell && cell->cells == 1) {
        links.linkedCell = cell->tokens;
    }
    if (const auto* range = formulas.controlReference(sheet, control.sourceRange)) {
        links.sourceRange = range->tokens;
        links.sourceCells = range->cells;
    }
    return links;
}

void addControlProperties(ShapeProperties& properties, const Drawing& control) {
    properties.set(0x007F, 0x01040104);  // locked against grouping; text fitted to the shape
    if (controlHasLabel(control.kind)) {
        properties.set(0x0080, 0);           // text id
        properties.set(0x00BF, 0x00080008);  // automatic text margins
    }
    properties.set(0x01BF, 0x00100000);  // not filled
}

Bytes controlObjData(const Drawing& control, std::uint16_t objectId, const ControlLinks& links, OptionChain options) {
    const DrawingKind kind = control.kind;
    const FormControl settings = control.control.value_or(FormControl{});
    Bytes out;

    // Common data: type, id, flags (locked, printed, filled and outlined
    // automatically), reserved.
    Bytes common;
    putU16(common, objTypeOf(kind));
    putU16(common, objectId);
    putU16(common, 0x6011);
    common.insert(common.end(), 12, 0);
    subRecord(out, kFtCmo, common);

    if (isCheckable(kind)) subRecord(out, kFtCbls, Bytes(12, 0));
    if (kind == DrawingKind::OptionButton) {
        Bytes rbo(4, 0);
        putU16(rbo, options.first ? 1 : 0);
        subRecord(out, kFtRbo, rbo);
    }
    if (hasScroll(kind)) {
        // Reserved, value, minimum, maximum, step, page, lying down, the
        // width of its arrows, flags (drawn, 3-D).
        Bytes sbs(4, 0);
        std::int32_t minimum = settings.minimum, maximum = settings.maximum, value = settings.value;
        std::int32_t step = settings.step, page = settings.page;
        if (hasList(kind)) {
            minimum = 0;
            maximum = 0;
            value = 0;
            step = 1;
            page = settings.lines;
        }
        minimum = std::clamp(minimum, 0, kMaxScrollValue);
        maximum = std::clamp(maximum, minimum, kMaxScrollValue);
        putU16(sbs, scrollValue(std::clamp(value, minimum, maximum)));
        putU16(sbs, scrollValue(minimum));
        putU16(sbs, scrollValue(maximum));
        putU16(sbs, scrollValue(std::max(step, 1)));
        putU16(sbs, scrollValue(std::max(page, 1)));
        putU16(sbs, settings.horizontal ? 1 : 0);
        putU16(sbs, 16);
        putU16(sbs, 0x0001);
        subRecord(out, kFtSbs, sbs);
    }
    if (!links.linkedCell.empty() && (hasScroll(kind) || isCheckable(kind))) {
        // No length of its own: the formula's leads.
        putU16(out, isCheckable(kind) ? kFtCblsFmla : kFtSbsFmla);
        const Bytes link = objectFormula(links.linkedCell);
        out.insert(out.end(), link.begin(), link.end());
    }
    if (isCheckable(kind)) {
        // State, accelerator key, reserved, flags.
        Bytes data;
        putU16(data, std::min<std::uint16_t>(settings.checked, 2));
        putU16(data, 0);
        putU16(data, 0);
        putU16(data, 0);
        subRecord(out, kFtCblsData, data);
    }
    if (kind == DrawingKind::OptionButton) {
        Bytes data;
        putU16(data, options.next ? options.next : objectId);
        putU16(data, options.first ? 1 : 0);
        subRecord(out, kFtRboData, data);
    }
    if (hasList(kind)) {
        const Bytes list = listData(control, settings, links);
        out.insert(out.end(), list.begin(), list.end());
    }
    if (kind == DrawingKind::GroupBox) subRecord(out, kFtGboData, Bytes(6, 0));
    subRecord(out, kFtEnd, {});
    return out;
}

void writeControlObj(BiffStream& out, const Drawing& control, std::uint16_t objectId, const ControlLinks& links,
                     OptionChain options) {
    const Bytes data = controlObjData(control, objectId, links, options);
    const auto start = out.beginRecord(kObj);
    out.raw(data.data(), data.size());
    out.endRecord(start);
}

}  // namespace brindlemoor::office::xls
