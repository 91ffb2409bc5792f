#include "office/xls/text_layout.h"

#include "office/xls/column_width.h"
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

constexpr double kPixelsPerPt = 96.0 / 72;

bool isSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\u00A0' || c == U'\u3000'; }

// A line may end after a hyphen that follows a letter of the same word.
bool breaksAfter(char32_t c) { return c == U'-' || c == U'\u2010' || c == U'\u2013' || c == U'\u2014'; }

class LineBreaker {
public:
    LineBreaker(std::u32string_view text, std::optional<double> width, const AdvanceFunction& advance)
        : text_(text), width_(width ? std::max(*width, 0.0) : 0), unbounded_(!width), advance_(advance) {}

    std::vector<std::size_t> run() {
        std::size_t i = 0;
        starts_.push_back(0);
        while (i < text_.size()) {
            if (text_[i] == U'\n') {
                newLine(++i);
                continue;
            }
            std::size_t end = i;
            while (end < text_.size() && !isSpace(text_[end]) && text_[end] != U'\n') {
                const bool hyphen = breaksAfter(text_[end]) && end > i;
                ++end;
                if (hyphen) break;
            }
            if (end > i) place(i, end);
            // Spaces hang past the line's end and never start a new line.
            while (end < text_.size() && isSpace(text_[end])) x_ += advance_(end++);
            i = end;
        }
        return std::move(starts_);
    }

private:
    bool overflows(double width) const { return !unbounded_ && x_ + width > width_; }

    void newLine(std::size_t start) {
        starts_.push_back(start);
        x_ = 0;
    }

    // A piece of a word that cannot be broken (but where it is wider than a line).
    void place(std::size_t from, std::size_t to) {
        double width = 0;
        for (std::size_t i = from; i < to; ++i) width += advance_(i);
        if (x_ > 0 && overflows(width)) newLine(from);
        if (!overflows(width)) {
            x_ += width;
            return;
        }
        for (std::size_t i = from; i < to; ++i) {
            const double advance = advance_(i);
            if (x_ > 0 && overflows(advance)) newLine(i);
            x_ += advance;
        }
    }

    std::u32string_view text_;
    double width_;
    bool unbounded_;
    const AdvanceFunction& advance_;
    std::vector<std::size_t> starts_;
    double x_ = 0;  // room taken on the current line, its trailing spaces included
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

    // A character the face lacks counts as wide as the face's replacement.
    double em(char32_t c) {
        if (const auto it = known_.find(c); it != known_.end()) return it->second;
        double em = 0;
        if (FT_Load_Glyph(face_, FT_Get_Char_Index(face_, c), FT_LOAD_NO_SCALE) == 0) {
            em = static_cast<double>(face_->glyph->advance.x) / face_->units_per_EM;
        }
        return known_.emplace(c, em).first->second;
    }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    std::unordered_map<char32_t, double> known_;
};

double pixelSize(const Font& font) { return std::round((font.sizePt > 0 ? font.sizePt : 10) * kPixelsPerPt); }

// The ascent and descent of the face shown for the font, from its
// horizontal header, at the font's pixel size, each rounded to whole pixels.
struct LineBox {
    double ascent = 0, descent = 0;
    double height() const { return ascent + descent; }
};

std::optional<LineBox> lineBox(const Font& font) {
    const FaceMetrics face = faceMetrics(font.name);
    if (!face.ascent || !face.descent) return std::nullopt;
    const double size = pixelSize(font);
    return LineBox{std::round(size * *face.ascent), std::round(size * *face.descent)};
}

// The text engine stacks its lines in whole pixels with one more for the
// cell; LibreOffice turns that into twips at 14.92 twips a pixel, plus 14.5
// twips of its standard padding (fitted within a hundredth of a millimetre
// over Liberation Sans and Carlito, 6 to 30 pt, one to five lines).
double stackedPt(double pixels, double verticalPaddingPt) {
    const double padding = std::clamp(verticalPaddingPt, 0.0, 400.0) - CellFormat::kStandardVerticalPaddingPt;
    return (14.92 * (pixels + 1) + 14.5) / 20 + padding;
}

// The faces opened so far, shared by every layout; only under facesMutex.
std::mutex facesMutex;

FaceAdvances& faceOf(const Font& f) {
    static std::map<std::tuple<std::string, bool, bool>, std::unique_ptr<FaceAdvances>> faces;
    auto& face = faces[{lower(f.name), f.bold, f.italic}];
    if (!face) face = std::make_unique<FaceAdvances>(f.name, f.bold, f.italic);
    return *face;
}

constexpr double kScreenPixelsPerTwip = 0.067;

}  // namespace

std::optional<double> rotatedTextHeightPt(std::string_view utf8, const Font& font, int degrees, double verticalPaddingPt) {
    const std::optional<LineBox> line = lineBox(font);
    if (!line) return std::nullopt;
    double width = 0;
    {
        const std::lock_guard lock(facesMutex);
        FaceAdvances& face = faceOf(font);
        if (!face.usable()) return std::nullopt;
        for (const char32_t c : toUtf32(utf8)) width += std::round(face.em(c) * pixelSize(font));
    }
    constexpr double kPi = 3.14159265358979323846;
    const double radians = degrees * kPi / 180;
    const double box = std::floor(line->height() * std::fabs(std::cos(radians)) + width * std::fabs(std::sin(radians)));
    const double halfPaddingTwips = std::clamp(verticalPaddingPt, 0.0, 400.0) * 10;
    const double padding = 2 * std::floor(halfPaddingTwips * kScreenPixelsPerTwip);
    return std::floor((box + padding) / kScreenPixelsPerTwip) / 20;
}

std::vector<std::size_t> breakLines(std::u32string_view text, std::optional<double> width, const AdvanceFunction& advance) {
    return LineBreaker(text, width, advance).run();
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

std::optional<double> textEngineHeightPt(const Font& font, std::uint32_t lines, double verticalPaddingPt) {
    const std::optional<LineBox> line = lineBox(font);
    if (!line) return std::nullopt;
    return stackedPt(std::max<std::uint32_t>(lines, 1) * line->height(), verticalPaddingPt);
}

namespace {

// A raised or lowered stretch deepens its line. The office's text engine
// lays a cell's lines out in hundredths of a millimetre, from each face's
// ascent and descent in whole screen pixels: the stretch counts with its
// face at its font's full size, as any other, and moved by its offset, a
// percentage of its font's size (in hundredths of a millimetre, rounded,
// the product's fraction dropped), with the ascent (raised) or descent
// (lowered) of its smaller letters (the face's, in that unit, times the
// size percentage, the fraction dropped) plus the offset. The line is the
// largest ascent plus the largest descent (a line no part deepens, its
// pixels' height in that unit); the lines of such a text are summed in that
// unit and rounded to whole pixels once. A superscript or subscript the
// office places itself (an offset of 0) is raised by 80 % or lowered by
// 20 % of the room its smaller letters leave, in whole percent (the
// fraction dropped). Measured with LibreOffice 7.4 over Liberation
// Sans and Serif, Carlito and DejaVu Sans, 6 to 72 pt, offsets -150 to
// 150 %, sizes 1 to 150 %, a stretch in a size of its own, a raised and a
// lowered one on a line and over two lines, some 330 wrapped texts of
// mixed parts: every height to the pixel but letters larger than their
// font (150 %), which the office sets higher still, and one of the wrapped
// texts (a pixel and a half short).
struct PlacedFont {
    LineBox box;
    double sizePt;
    TextPosition position;
    Script script;
};

double offsetPercent(const PlacedFont& face) {
    const int offset = face.position.offsetPercent;
    if (offset != 0 || face.script == Script::Normal) return offset;
    const int room = std::max(0, 100 - face.position.sizePercent);
    return face.script == Script::Superscript ? std::trunc(0.8 * room) : -std::trunc(0.2 * room);
}

constexpr double kHundredthsMmPerPixel = 2540.0 / 96;
constexpr double kHundredthsMmPerPt = 2540.0 / 72;

double placedLineHundredths(const std::vector<PlacedFont>& faces) {
    const auto units = [](double pixels) { return std::round(pixels * kHundredthsMmPerPixel); };
    LineBox pixels;
    for (const PlacedFont& face : faces) {
        pixels.ascent = std::max(pixels.ascent, face.box.ascent);
        pixels.descent = std::max(pixels.descent, face.box.descent);
    }
    LineBox line{units(pixels.ascent), units(pixels.descent)};
    const LineBox plain = line;
    for (const PlacedFont& face : faces) {
        const double offset = offsetPercent(face);
        if (offset == 0) continue;
        const double size = std::round(face.sizePt * kHundredthsMmPerPt);
        const double shift = std::trunc(size * offset / 100);
        const double scale = face.position.sizePercent / 100.0;
        if (offset > 0) line.ascent = std::max(line.ascent, std::trunc(units(face.box.ascent) * scale) + shift);
        else line.descent = std::max(line.descent, std::trunc(units(face.box.descent) * scale) - shift);
    }
    // A line no part deepens is as high as its faces' line in pixels.
    return line.ascent == plain.ascent && line.descent == plain.descent ? units(pixels.height()) : line.height();
}

}  // namespace

LaidOutText layOutText(std::string_view utf8, const Font& font, const std::vector<TextRun>& runs,
                       std::optional<double> columnWidthPt, double paddingPt, double verticalPaddingPt) {
    const std::u32string text = toUtf32(utf8);
    // The font and place of each character: the cell's before the first run.
    static const TextPosition kInLine;
    std::vector<const Font*> fonts(text.size(), &font);
    std::vector<const TextPosition*> positions(text.size(), &kInLine);
    std::size_t unit = 0;  // UTF-16 position of the character
    auto run = runs.begin();
    const Font* current = &font;
    const TextPosition* place = &kInLine;
    for (std::size_t i = 0; i < text.size(); ++i) {
        for (; run != runs.end() && run->start <= unit; ++run) current = &run->font, place = &run->position;
        fonts[i] = current;
        positions[i] = place;
        unit += text[i] > 0xFFFF ? 2 : 1;
    }

    const std::lock_guard lock(facesMutex);
    std::optional<double> widthPixels;
    if (columnWidthPt) {
        constexpr double kPrintedToShown = 1.0294;
        constexpr double kLineEndPixels = 1.43;
        // A hundredth of a pixel of slack for the rounding of the widths stored.
        widthPixels = (*columnWidthPt - std::max(paddingPt, 0.0)) * kPixelsPerPt / kPrintedToShown - kLineEndPixels + 0.01;
        for (const Font* f : fonts) {
            if (!faceOf(*f).usable()) widthPixels.reset();  // nothing to measure with: paragraphs only
        }
    }
    const std::vector<std::size_t> starts = breakLines(text, widthPixels, [&](std::size_t i) {
        Font drawn = *fonts[i];
        drawn.sizePt *= positions[i]->sizePercent / 100.0;  // raised and lowered letters are drawn smaller
        return std::round(faceOf(drawn).em(text[i]) * pixelSize(drawn));
    });

    LaidOutText laidOut;
    laidOut.lines = static_cast<std::uint32_t>(starts.size());
    // Text with raised, lowered or smaller parts is summed as the office's
    // text engine sums it; other text line by line in whole pixels, as measured.
    const bool placed = std::any_of(runs.begin(), runs.end(), [](const TextRun& r) { return r.position != TextPosition{}; });
    double pixels = 0;
    double hundredths = 0;
    for (std::size_t n = 0; n < starts.size(); ++n) {
        const std::size_t from = starts[n];
        const std::size_t to = n + 1 < starts.size() ? starts[n + 1] : text.size();
        // An empty line takes the font where it stands.
        const Font& here = from < fonts.size() ? *fonts[from] : runs.empty() ? font : runs.back().font;
        std::vector<PlacedFont> faces;
        const auto add = [&](const Font& f, const TextPosition& position) {
            const std::optional<LineBox> box = lineBox(f);
            if (box) faces.push_back({*box, f.sizePt > 0 ? f.sizePt : 10, position, f.script});
            return box.has_value();
        };
        if (!add(here, kInLine)) return laidOut;
        for (std::size_t i = from; i < to; ++i) {
            if (text[i] == U'\n' || (i > from && fonts[i] == fonts[i - 1] && positions[i] == positions[i - 1])) continue;
            if (!add(*fonts[i], *positions[i])) return laidOut;
        }
        const double line = placedLineHundredths(faces);
        if (placed) hundredths += line;
        else pixels += std::round(line / kHundredthsMmPerPixel);
    }
    if (placed) pixels = std::round(hundredths / kHundredthsMmPerPixel);
    laidOut.heightPt = stackedPt(pixels, verticalPaddingPt);
    return laidOut;
}

}  // namespace brindlemoor::office::xls
