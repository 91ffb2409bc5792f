#include "office/xls/column_width.h"

#include "office/xls/font_metrics_cache.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>

namespace brindlemoor::office::xls {

namespace {

struct DigitWidth {
    const char* family;  // lower case
    double em;           // advance of "0" as a fraction of the em square
};

// From the fonts' horizontal metrics (advance width of "0" / units per em).
// Metric-compatible families share a line.
constexpr DigitWidth kDigitWidths[] = {
    {"arial", 0.556},          {"liberation sans", 0.556}, {"helvetica", 0.556}, {"arimo", 0.556},
    {"times new roman", 0.5},  {"liberation serif", 0.5},  {"times", 0.5},       {"tinos", 0.5},
    {"courier new", 0.6},      {"liberation mono", 0.6},   {"courier", 0.6},     {"cousine", 0.6},
    {"calibri", 0.507},        {"carlito", 0.507},
    {"cambria", 0.554},        {"caladea", 0.554},
    {"dejavu sans", 0.636},    {"dejavu serif", 0.636},    {"dejavu sans mono", 0.602},
    {"bitstream vera sans", 0.636}, {"bitstream vera serif", 0.636}, {"bitstream vera sans mono", 0.602},
    {"verdana", 0.636},        {"tahoma", 0.546},          {"segoe ui", 0.559},
    {"liberation sans narrow", 0.456}, {"arial narrow", 0.456},
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

FaceMetrics measureFace(const std::string& family) {
    std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(), FcPatternDestroy);
    if (!pattern) return {};
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> match(FcFontMatch(nullptr, pattern.get(), &result), FcPatternDestroy);
    FcChar8* file = nullptr;
    int index = 0;
    if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) return {};
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return {};
    FaceMetrics measured;
    FT_Face face = nullptr;
    if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) == 0) {
        const FT_UInt glyph = FT_Get_Char_Index(face, '0');
        if (glyph != 0 && face->units_per_EM > 0 && FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) == 0) {
            measured.em = static_cast<double>(face->glyph->advance.x) / face->units_per_EM;
        }
        if (face->units_per_EM > 0 && face->ascender > 0) {
            measured.ascent = static_cast<double>(face->ascender) / face->units_per_EM;
            measured.descent = std::abs(static_cast<double>(face->descender)) / face->units_per_EM;
        }
        if (measured.em || measured.ascent) measured.fontFile = reinterpret_cast<const char*>(file);
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return measured;
}

namespace {

// The configuration loading started by prepareFontMetrics(); it is waited
// for before fontconfig is used here, and at exit.
struct FontSetup {
    std::mutex mutex;
    bool started = false;
    std::atomic<bool> loaded = false;
    std::future<void> loading;
    ~FontSetup() {
        if (loading.valid()) loading.wait();
    }
};

FontSetup& fontSetup() {
    static FontSetup setup;
    return setup;
}

void waitForFontSetup() {
    FontSetup& setup = fontSetup();
    const std::lock_guard lock(setup.mutex);
    setup.started = true;  // from here on fontconfig is used on this thread
    setup.loaded = true;
    if (setup.loading.valid()) setup.loading.wait();
}

std::optional<double> knownDigitEm(const std::string& family) {
    for (const auto& known : kDigitWidths) {
        if (family == known.family) return known.em;
    }
    return std::nullopt;
}

// Measurements of earlier runs under the same font configuration.
FontMetricsCache& persistedMetrics() {
    static FontMetricsCache cache(defaultFontMetricsCacheFile(), fontConfigurationStamp());
    return cache;
}

}  // namespace

FaceMetrics faceMetrics(const std::string& name) {
    const std::string family = lower(name);
    static std::mutex mutex;
    static std::map<std::string, FaceMetrics> known;
    const std::lock_guard lock(mutex);
    if (const auto it = known.find(family); it != known.end()) return it->second;
    FontMetricsCache& cache = persistedMetrics();
    std::optional<FaceMetrics> metrics = cache.find(family);
    if (!metrics) {
        waitForFontSetup();
        metrics = measureFace(name);
        cache.remember(family, *metrics);
    }
    return known.emplace(family, *metrics).first->second;
}

namespace {

// The face the system shows comes first: readers on this system measure
// that one (a document in Calibri is shown, and its columns measured, in
// whatever face fontconfig substitutes when no metric twin is installed).
// The table serves where nothing can be measured.
double digitEm(const std::string& name) {
    std::optional<double> em = faceMetrics(name).em;
    if (!em) em = knownDigitEm(lower(name));
    return em.value_or(0.556);
}

}  // namespace

void prepareFontMetrics() {
    FontSetup& setup = fontSetup();
    const std::lock_guard lock(setup.mutex);
    if (setup.started) return;
    setup.started = true;
    // Earlier runs measured under this configuration: most documents need
    // nothing else, and one that does loads it when it first measures.
    if (persistedMetrics().loaded()) return;
    setup.loaded = true;
    try {
        setup.loading = std::async(std::launch::async, [] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to spare: the first measurement loads it instead.
    }
}

bool fontConfigurationLoaded() { return fontSetup().loaded; }

double digitWidthPt(const Font& font) {
    const double em = digitEm(font.name);
    const double size = font.sizePt > 0 ? font.sizePt : 10;
    return em * size;
}

std::uint16_t columnWidthUnits(double widthPt, const Font& defaultFont) {
    const double units = std::max(0.0, widthPt) * 256 / digitWidthPt(defaultFont);
    return static_cast<std::uint16_t>(std::clamp(std::lround(units), 0L, 65535L));
}

std::uint16_t defaultColumnCharacters(double widthPt, const Font& defaultFont) {
    // DEFCOLWIDTH counts characters without the cell's padding (5 pixels at 96 dpi).
    constexpr double kPaddingPt = 5 * 72.0 / 96;
    return static_cast<std::uint16_t>(std::clamp(std::lround((widthPt - kPaddingPt) / digitWidthPt(defaultFont)), 1L, 255L));
}

double optimalRowHeightPt(double fontSizePt, std::uint32_t lines, double verticalPaddingPt) {
    // Measured on LibreOffice over 6..50 pt and paddings of 0..2 mm (within
    // a twip): the first line takes 1.18 x size + 0.825 pt with the standard
    // padding, each further line the font's line height, about 1.117 x size.
    constexpr double kStandardPt = 12.8;
    const double size = fontSizePt > 0 ? fontSizePt : 10;
    const double padding = std::clamp(verticalPaddingPt, 0.0, 400.0) - CellFormat::kStandardVerticalPaddingPt;
    const double height = 1.18 * size + 0.825 + padding + (std::max<std::uint32_t>(lines, 1) - 1) * 1.117 * size;
    return std::max(kStandardPt, height);
}

std::uint16_t rowHeightTwips(double heightPt) {
    return static_cast<std::uint16_t>(std::clamp(std::lround(heightPt * 20), 2L, 8192L));
}

}  // namespace brindlemoor::office::xls
