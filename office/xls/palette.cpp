#include "office/xls/palette.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kPaletteRecord = 0x0092;

std::uint32_t key(const Color& c) { return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b; }
Color fromKey(std::uint32_t k) {
    return {static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 8), static_cast<std::uint8_t>(k)};
}

// Squared distance weighted for the eye's sensitivity (a cheap "redmean" form).
long distance(const Color& a, const Color& b) {
    const long rmean = (long{a.r} + b.r) / 2;
    const long dr = long{a.r} - b.r, dg = long{a.g} - b.g, db = long{a.b} - b.b;
    return (((512 + rmean) * dr * dr) >> 8) + 4 * dg * dg + (((767 - rmean) * db * db) >> 8);
}

long plainDistance(const Color& a, const Color& b) {
    const long dr = long{a.r} - b.r, dg = long{a.g} - b.g, db = long{a.b} - b.b;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

const std::array<Color, kPaletteSize>& Palette::defaults() {
    // Excel 97's default palette, indexes 8..63.
    static const std::array<Color, kPaletteSize> colors = [] {
        constexpr std::uint32_t rgb[kPaletteSize] = {
            0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
            0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
            0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
            0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
            0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
            0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
            0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
        };
        std::array<Color, kPaletteSize> out{};
        for (std::size_t i = 0; i < kPaletteSize; ++i) out[i] = fromKey(rgb[i]);
        return out;
    }();
    return colors;
}

void Palette::use(const Color& color, std::uint64_t times) { uses_[key(color)] += times; }

void Palette::build() {
    entries_ = defaults();
    assigned_.clear();
    approximated_ = 0;

    // Most used colours first: they lead their groups and keep exact entries.
    std::vector<std::pair<std::uint32_t, std::uint64_t>> byUse(uses_.begin(), uses_.end());
    std::stable_sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    constexpr std::size_t kClustered = 256;  // rarer colours just take the nearest entry
    if (byUse.size() > kClustered) byUse.resize(kClustered);

    // Too many colours: join the two closest groups until they fit the
    // palette. A group keeps its most used colour exact while every member
    // stays close to it; otherwise it takes the members' weighted mean, so
    // that no member ends up far from its entry.
    struct Group {
        Color color;
        std::vector<std::size_t> members;  // indexes into byUse
    };
    std::vector<Group> groups;
    for (std::size_t i = 0; i < byUse.size(); ++i) groups.push_back({fromKey(byUse[i].first), {i}});
    while (groups.size() > kPaletteSize) {
        std::size_t bestA = 0, bestB = 1;
        long bestDistance = std::numeric_limits<long>::max();
        for (std::size_t i = 0; i < groups.size(); ++i) {
            for (std::size_t j = i + 1; j < groups.size(); ++j) {
                const long d = plainDistance(groups[i].color, groups[j].color);
                if (d < bestDistance) { bestDistance = d; bestA = i; bestB = j; }
            }
        }
        Group& kept = groups[bestA];
        kept.members.insert(kept.members.end(), groups[bestB].members.begin(), groups[bestB].members.end());
        groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(bestB));
        const Color leader = fromKey(byUse[kept.members.front()].first);
        long spread = 0;
        double r = 0, g = 0, b = 0, weight = 0;
        for (std::size_t m : kept.members) {
            const Color c = fromKey(byUse[m].first);
            spread = std::max(spread, plainDistance(leader, c));
            const double w = static_cast<double>(byUse[m].second);
            r += w * c.r;
            g += w * c.g;
            b += w * c.b;
            weight += w;
        }
        constexpr long kCloseEnough = 24 * 24;
        kept.color = spread <= kCloseEnough ? leader
                                            : Color{static_cast<std::uint8_t>(std::lround(r / weight)),
                                                    static_cast<std::uint8_t>(std::lround(g / weight)),
                                                    static_cast<std::uint8_t>(std::lround(b / weight))};
    }

    std::array<bool, kPaletteSize> reserved{};
    std::vector<std::uint16_t> slotOfGroup(groups.size(), 0);
    std::vector<std::size_t> needSlot;
    for (std::size_t k = 0; k < groups.size(); ++k) {
        const auto it = std::find(entries_.begin(), entries_.end(), groups[k].color);
        const auto slot = static_cast<std::size_t>(it - entries_.begin());
        if (it != entries_.end() && !reserved[slot]) {
            reserved[slot] = true;
            slotOfGroup[k] = static_cast<std::uint16_t>(kFirstPaletteIndex + slot);
        } else {
            needSlot.push_back(k);
        }
    }
    for (std::size_t k : needSlot) {
        std::size_t best = 0;
        long bestDistance = std::numeric_limits<long>::max();
        for (std::size_t slot = 0; slot < kPaletteSize; ++slot) {
            if (reserved[slot]) continue;
            const long d = distance(defaults()[slot], groups[k].color);
            if (d < bestDistance) { bestDistance = d; best = slot; }
        }
        entries_[best] = groups[k].color;
        reserved[best] = true;
        slotOfGroup[k] = static_cast<std::uint16_t>(kFirstPaletteIndex + best);
    }
    for (std::size_t k = 0; k < groups.size(); ++k) {
        for (std::size_t m : groups[k].members) {
            assigned_[byUse[m].first] = slotOfGroup[k];
            if (fromKey(byUse[m].first) != groups[k].color) ++approximated_;
        }
    }
    for (const auto& [rgb, count] : uses_) {
        if (!assigned_.contains(rgb)) {
            assigned_[rgb] = nearest(fromKey(rgb));
            ++approximated_;
        }
    }
}

std::uint16_t Palette::nearest(const Color& color) const {
    std::size_t best = 0;
    long bestDistance = std::numeric_limits<long>::max();
    for (std::size_t slot = 0; slot < kPaletteSize; ++slot) {
        const long d = distance(entries_[slot], color);
        if (d < bestDistance) { bestDistance = d; best = slot; }
    }
    return static_cast<std::uint16_t>(kFirstPaletteIndex + best);
}

std::uint16_t Palette::index(const std::optional<Color>& color, std::uint16_t automatic) const {
    if (!color) return automatic;
    if (const auto it = assigned_.find(key(*color)); it != assigned_.end()) return it->second;
    return nearest(*color);
}

void Palette::write(BiffStream& out) const {
    if (!changed()) return;
    const auto start = out.beginRecord(kPaletteRecord);
    out.u16(static_cast<std::uint16_t>(kPaletteSize));
    for (const Color& c : entries_) {
        out.u8(c.r);
        out.u8(c.g);
        out.u8(c.b);
        out.u8(0);
    }
    out.endRecord(start);
}

}  // namespace brindlemoor::office::xls
