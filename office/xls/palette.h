// The workbook's colour palette. Excel 97 cells and fonts name colours by
// index into 56 editable entries (indexes 8..63). Colours the document uses
// take over entries (most used first, each into the entry whose default is
// closest) so that up to 56 distinct colours stay exact; beyond that the
// nearest entry is used.
#pragma once

#include "office/model/cell_format.h"
#include "office/xls/biff_stream.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>

namespace brindlemoor::office::xls {

constexpr std::uint16_t kFirstPaletteIndex = 8;
constexpr std::size_t kPaletteSize = 56;

class Palette {
public:
    static const std::array<Color, kPaletteSize>& defaults();

    // Counts one use of `color`; call for every use before build().
    void use(const Color& color, std::uint64_t times = 1);
    void build();

    // Index for `color`, or `automatic` when unset.
    std::uint16_t index(const std::optional<Color>& color, std::uint16_t automatic) const;
    const std::array<Color, kPaletteSize>& entries() const { return entries_; }
    bool changed() const { return entries_ != defaults(); }
    // Colours that did not get an exact entry.
    std::size_t approximated() const { return approximated_; }

    // PALETTE record; written only when an entry differs from the default.
    void write(BiffStream& out) const;

private:
    std::uint16_t nearest(const Color& color) const;

    std::map<std::uint32_t, std::uint64_t> uses_;  // 0xRRGGBB -> count
    std::map<std::uint32_t, std::uint16_t> assigned_;
    std::array<Color, kPaletteSize> entries_ = defaults();
    std::size_t approximated_ = 0;
};

}  // namespace brindlemoor::office::xls
