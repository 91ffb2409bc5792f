#include "office/xls/text_layout.h"

#include "office/xls/unicode_text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>

namespace brindlemoor::office::xls {

namespace {

bool isSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\u00A0' || c == U'\u3000'; }

// A line may end after a hyphen that follows a letter of the same word.
bool breaksAfter(char32_t c) { return c == U'-' || c == U'\u2010' || c == U'\u2013' || c == U'\u2014'; }

struct Paragraph {
    double lineWidth;
    const AdvanceFunction& advanceOf;
    std::uint32_t lines = 1;
    double x = 0;  // room taken on the current line, its trailing spaces included

    void newLine() {
        ++lines;
        x = 0;
    }

    // A piece of a word that cannot be broken (but where it is wider than a line).
    void place(std::u32string_view piece) {
        double width = 0;
        for (const char32_t c : piece) width += advanceOf(c);
        if (x > 0 && x + width > lineWidth) newLine();
        if (x + width <= lineWidth) {
            x += width;
            return;
        }
        for (const char32_t c : piece) {
            const double advance = advanceOf(c);
            if (x > 0 && x + advance > lineWidth) newLine();
            x += advance;
        }
    }

    void lay(std::u32string_view text) {
        std::size_t i = 0;
        while (i < text.size()) {
            std::size_t end = i;
            while (end < text.size() && !isSpace(text[end])) {
                const bool hyphen = breaksAfter(text[end]) && end > i;
                ++end;
                if (hyphen) break;
            }
            if (end > i) place(text.substr(i, end - i));
            // Spaces hang past the line's end and never start a new line.
            while (end < text.size() && isSpace(text[end])) x += advanceOf(text[end++]);
            i = end;
        }
    }
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Advance widths of one face in units of its em, read on demand.
class FaceAdvances {
public:
    FaceAdvances(const std::string& family, bool bold, bool italic) {
        if (FT_Init_FreeType(&library_) != 0) return;
        std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(), FcPatternDestroy);
        if (!pattern) return;
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
        FcDefaultSubstitute(pattern.get());
        FcResult result = FcResultNoMatch;
        std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> match(FcFontMatch(nullptr, pattern.get(), &result),
                                                                      FcPatternDestroy);
        FcChar8* file = nullptr;
        int index = 0;
        if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) return;
        FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
        if (FT_New_Face(library_, reinterpret_cast<const char*>(file), index, &face_) != 0 || face_->units_per_EM == 0) {
            face_ = nullptr;
        }
    }
    ~FaceAdvances() {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }
    FaceAdvances(const FaceAdvances&) = delete;
    FaceAdvances& operator=(const FaceAdvances&) = delete;

    bool usable() const { return face_ != nullptr; }

    double em(char32_t c) {
        if (const auto it = known_.find(c); it != known_.end()) return it->second;
        double em = 0;
        const FT_UInt glyph = FT_Get_Char_Index(face_, c);
        // A character the face lacks is shown from another face: count it as
        // wide as the face's own replacement, which is about as wide.
        if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE) == 0) {
            em = static_cast<double>(face_->glyph->advance.x) / face_->units_per_EM;
        }
        return known_.emplace(c, em).first->second;
    }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    std::unordered_map<char32_t, double> known_;
};

}  // namespace

std::uint32_t countLines(std::u32string_view text, double width, const AdvanceFunction& advance) {
    std::uint32_t lines = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find(U'\n', start), text.size());
        Paragraph paragraph{std::max(width, 0.0), advance};
        paragraph.lay(text.substr(start, end - start));
        lines += paragraph.lines;
        if (end >= text.size()) break;
        start = end + 1;
    }
    return lines;
}

std::u32string toUtf32(std::string_view utf8) {
    const std::u16string utf16 = toUtf16(utf8);
    std::u32string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] < 0xE000) {
            out.push_back(0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{utf16[i + 1]} - 0xDC00));
            ++i;
        } else {
            out.push_back(unit);
        }
    }
    return out;
}

std::uint32_t wrappedLineCount(std::string_view utf8, const Font& font, double columnWidthPt, double paddingPt) {
    constexpr double kPixelsPerPt = 96.0 / 72;
    constexpr double kPrintedToShown = 1.0294;
    constexpr double kLineEndPixels = 1.43;
    static std::mutex mutex;
    static std::map<std::tuple<std::string, bool, bool>, std::unique_ptr<FaceAdvances>> faces;
    const std::lock_guard lock(mutex);
    auto& face = faces[{lower(font.name), font.bold, font.italic}];
    if (!face) face = std::make_unique<FaceAdvances>(font.name, font.bold, font.italic);
    const std::u32string text = toUtf32(utf8);
    if (!face->usable()) return static_cast<std::uint32_t>(std::count(text.begin(), text.end(), U'\n')) + 1;
    const double pixelSize = std::round((font.sizePt > 0 ? font.sizePt : 10) * kPixelsPerPt);
    const double widthPixels = (columnWidthPt - std::max(paddingPt, 0.0)) * kPixelsPerPt / kPrintedToShown - kLineEndPixels;
    // A hundredth of a pixel of slack for the rounding of the widths stored.
    return countLines(text, widthPixels + 0.01, [&](char32_t c) { return std::round(face->em(c) * pixelSize); });
}

}  // namespace brindlemoor::office::xls
