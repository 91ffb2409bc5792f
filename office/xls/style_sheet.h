// The look of the workbook in BIFF8 terms: FONT, FORMAT, XF, STYLE and
// PALETTE records, and the XF index for each of the model's cell formats.
//
// XF layout as Excel writes it: 0..14 style XFs (0 is "Normal"), 15 the
// default cell XF, 16..20 the built-in number styles (Comma, Currency,
// Percent), cell XFs from 21 on.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"
#include "office/xls/number_formats.h"
#include "office/xls/palette.h"
#include "office/xls/shared_strings.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace brindlemoor::office::xls {

constexpr std::uint16_t kDefaultCellXf = 15;
// Excel 97 holds about 4,000 distinct cell formats.
constexpr std::size_t kMaxCellXfs = 4000;
// FONT records Excel 97 reads in one workbook (the four copies of the
// default font among them).
constexpr std::size_t kMaxFontRecords = 512;

using XfBytes = std::array<std::uint8_t, 20>;

class StyleSheet {
public:
    StyleSheet(const Workbook& workbook, Warnings& warnings);

    // XF index for a model format; kNone and unknown indexes give the default.
    std::uint16_t xf(std::uint32_t modelFormat) const {
        return modelFormat < xfOfFormat_.size() ? xfOfFormat_[modelFormat] : kDefaultCellXf;
    }
    const Font& defaultFont() const { return fonts_.front(); }
    const Palette& palette() const { return palette_; }
    std::uint16_t colorIndex(const std::optional<Color>& color, std::uint16_t automatic) const {
        return palette_.index(color, automatic);
    }
    std::size_t cellXfCount() const { return cellXfs_.size(); }
    // The runs of the workbook's texts in fonts of their own, by shared string index.
    const StringRuns& stringRuns() const { return stringRuns_; }
    // The formatting runs of a note's text, its own font first; empty for a
    // note the workbook does not hold.
    std::vector<FormattingRun> noteRuns(const Annotation& note) const { return objectRuns(note.runs); }
    // The same for a drawing's text; empty too when it is all in the default font.
    std::vector<FormattingRun> drawingRuns(const Drawing& drawing) const { return objectRuns(drawing.textRuns); }
    std::size_t fontRecordCount() const { return fonts_.size() + 3; }

    void write(BiffStream& out) const;

    // The 20-byte XF body of a cell format (exposed for tests).
    static XfBytes cellXf(const CellFormat& format, std::uint16_t font, std::uint16_t numberFormat,
                          const Palette& palette);

private:
    std::uint16_t fontIndex(const Font& font);
    void addTextRuns(const Workbook& workbook, Warnings& warnings);
    std::vector<FormattingRun> runFonts(const std::vector<TextRun>& textRuns, std::size_t& dropped);
    std::vector<FormattingRun> objectRuns(const std::vector<TextRun>& textRuns) const;
    void mergeRarest(std::vector<std::uint64_t>& usage, Warnings& warnings);

    std::vector<Font> fonts_;  // [0] is the default font; BIFF index 4 is skipped
    struct FontHash {
        std::size_t operator()(const Font& font) const;
    };
    std::unordered_map<Font, std::uint16_t, FontHash> fontIndexes_;  // BIFF index of each of fonts_
    StringRuns stringRuns_;
    // The runs of notes' and drawings' texts (TXO), by the model's runs they come from.
    std::unordered_map<const std::vector<TextRun>*, std::vector<FormattingRun>> objectRuns_;
    NumberFormats numberFormats_;
    Palette palette_;
    std::vector<XfBytes> cellXfs_;           // from XF 15 on
    std::vector<std::uint16_t> xfOfFormat_;  // model format -> XF index
};

}  // namespace brindlemoor::office::xls
