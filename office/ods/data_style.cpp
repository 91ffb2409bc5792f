#include "office/ods/data_style.h"

#include "office/ods/locale_id.h"
#include "office/ods/values.h"
#include "office/ods/xml_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace brindlemoor::office::ods {
namespace {

using Type = DataStylePart::Type;

int intAttribute(const XmlReader& xml, std::string_view local) {
    if (const auto text = xml.attribute(Ns::Number, local)) {
        if (const auto value = parseInteger(*text); value && *value >= 0 && *value < 100) {
            return static_cast<int>(*value);
        }
    }
    return -1;
}

bool isTrue(std::optional<std::string_view> text) { return text && *text == "true"; }

DataStylePart readNumberPart(XmlReader& xml, Type type) {
    DataStylePart part;
    part.type = type;
    part.decimals = intAttribute(xml, "decimal-places");
    part.minDecimals = intAttribute(xml, "min-decimal-places");
    part.minInteger = intAttribute(xml, "min-integer-digits");
    part.minExponent = intAttribute(xml, "min-exponent-digits");
    part.exponentInterval = intAttribute(xml, "exponent-interval");
    part.minNumerator = intAttribute(xml, "min-numerator-digits");
    part.minDenominator = intAttribute(xml, "min-denominator-digits");
    if (const auto value = xml.attribute(Ns::Number, "denominator-value")) {
        if (const auto n = parseInteger(*value); n && *n > 0 && *n < 100000) {
            part.denominatorValue = static_cast<int>(*n);
        }
    }
    part.grouping = isTrue(xml.attribute(Ns::Number, "grouping"));
    if (const auto factor = xml.attribute(Ns::Number, "display-factor")) {
        if (const auto value = parseNumber(*factor); value && *value > 0) part.displayFactor = *value;
    }
    while (xml.nextChild()) {
        if (xml.is(Ns::Number, "embedded-text")) {
            const auto position = parseInteger(xml.attribute(Ns::Number, "position").value_or(""));
            std::string text = xml.readText();
            if (position && *position >= 0 && *position < 64) part.embedded.push_back({static_cast<int>(*position), std::move(text)});
        } else {
            xml.skipElement();
        }
    }
    return part;
}

// The locale an element names: which country's currency a symbol stands for
// ("$" of the United States or of Canada), in which language a date names
// its months. Excel and LibreOffice write it into the format code.
std::optional<std::uint16_t> localeOf(const XmlReader& xml) {
    if (const auto tag = xml.attribute(Ns::Number, "rfc-language-tag")) return windowsLocaleIdOfTag(*tag);
    const auto language = xml.attribute(Ns::Number, "language");
    const auto country = xml.attribute(Ns::Number, "country");
    if (!language || !country) return std::nullopt;
    return windowsLocaleId(*language, xml.attribute(Ns::Number, "script").value_or(""), *country);
}

// How a date part is written: 0 absent, 1 short, 2 long; a month by name
// is 3 (short) or 4 (long).
struct DateShape {
    int dayOfWeek = 0, day = 0, month = 0, year = 0;
    int hours = 0, minutes = 0, seconds = 0;
    bool operator==(const DateShape&) const = default;
};

std::optional<DateShape> dateShapeOf(const std::vector<DataStylePart>& parts) {
    DateShape shape;
    for (const DataStylePart& part : parts) {
        const int form = part.longForm ? 2 : 1;
        switch (part.type) {
        case Type::Literal: continue;
        case Type::DayOfWeek: shape.dayOfWeek = form; break;
        case Type::Day: shape.day = form; break;
        case Type::Month: shape.month = part.textual ? form + 2 : form; break;
        case Type::Year: shape.year = form; break;
        case Type::Hours: shape.hours = form; break;
        case Type::Minutes: shape.minutes = form; break;
        case Type::Seconds:
            if (part.decimals > 0) return std::nullopt;
            shape.seconds = form;
            break;
        default: return std::nullopt;
        }
    }
    return shape;
}

DataStylePart part(Type type, bool longForm, bool textual = false) {
    DataStylePart result;
    result.type = type;
    result.longForm = longForm;
    result.textual = textual;
    return result;
}

DataStylePart text(std::string literal) {
    DataStylePart result;
    result.text = std::move(literal);
    return result;
}

// A date style whose order is left to the locale is the locale's own form
// of that date when its parts are those of one of the locale's standard
// dates: the office then shows it as the reader's locale writes that date,
// whatever order and separators the file has (31.01.20 read as 01/31/20).
// These are the standard dates of United States English, the language
// workbooks are read in.
std::optional<std::vector<DataStylePart>> usEnglishStandardDate(const std::vector<DataStylePart>& parts) {
    const auto shape = dateShapeOf(parts);
    if (!shape) return std::nullopt;
    const auto numeric = [&](bool longYear) {
        return std::vector{part(Type::Month, true), text("/"), part(Type::Day, true), text("/"), part(Type::Year, longYear)};
    };
    const auto named = [&](bool longMonth, bool longYear) {
        return std::vector{part(Type::Month, longMonth, true), text(" "), part(Type::Day, false), text(", "),
                           part(Type::Year, longYear)};
    };
    const auto withWeekday = [&](bool longWeekday, std::vector<DataStylePart> date) {
        date.insert(date.begin(), {part(Type::DayOfWeek, longWeekday), text(", ")});
        return date;
    };
    const DateShape s = *shape;
    if (s.hours || s.minutes || s.seconds) {
        if (s.dayOfWeek || s.day != 2 || s.month != 2 || !s.year || s.hours != 2 || s.minutes != 2) return std::nullopt;
        auto date = numeric(true);
        if (s.seconds == 2) {
            for (auto p : {text(" "), part(Type::Hours, true), text(":"), part(Type::Minutes, true), text(":"),
                           part(Type::Seconds, true)}) date.push_back(p);
            return date;
        }
        if (s.seconds || s.year != 2) return std::nullopt;
        for (auto p : {text(" "), part(Type::Hours, true), text(":"), part(Type::Minutes, true), text(" "),
                       part(Type::AmPm, false)}) date.push_back(p);
        return date;
    }
    if (s == DateShape{0, 2, 2, 1}) return numeric(false);
    if (s == DateShape{0, 2, 2, 2}) return numeric(true);
    if (s == DateShape{0, 1, 3, 1}) return named(false, false);
    if (s == DateShape{0, 1, 3, 2}) return named(false, true);
    if (s == DateShape{0, 1, 4, 2}) return named(true, true);
    if (s == DateShape{1, 1, 3, 1}) return withWeekday(false, named(false, false));
    if (s == DateShape{1, 1, 4, 2}) return withWeekday(false, named(true, true));
    if (s == DateShape{2, 1, 4, 2}) return withWeekday(true, named(true, true));
    if (s == DateShape{0, 2, 3, 0}) return std::vector{part(Type::Month, false, true), text(" "), part(Type::Day, true)};
    if (s == DateShape{0, 0, 2, 1}) return std::vector{part(Type::Month, true), text("/"), part(Type::Year, false)};
    return std::nullopt;
}

// A date in the form of the locale is its short date (1/31/20), or its long
// date when it names the weekday, in the reader's locale.
std::optional<std::vector<DataStylePart>> usEnglishLocaleDate(const std::vector<DataStylePart>& parts) {
    const auto shape = dateShapeOf(parts);
    if (!shape || !shape->day || !shape->month || !shape->year || shape->hours || shape->minutes || shape->seconds) {
        return std::nullopt;
    }
    if (shape->dayOfWeek) {
        return std::vector{part(Type::DayOfWeek, true), text(", "), part(Type::Month, true, true), text(" "),
                           part(Type::Day, false), text(", "), part(Type::Year, true)};
    }
    return std::vector{part(Type::Month, false), text("/"), part(Type::Day, false), text("/"), part(Type::Year, false)};
}

}  // namespace

std::optional<DataStyleKind> dataStyleKindOf(std::string_view local) {
    if (local == "number-style") return DataStyleKind::Number;
    if (local == "currency-style") return DataStyleKind::Currency;
    if (local == "percentage-style") return DataStyleKind::Percentage;
    if (local == "date-style") return DataStyleKind::Date;
    if (local == "time-style") return DataStyleKind::Time;
    if (local == "boolean-style") return DataStyleKind::Boolean;
    if (local == "text-style") return DataStyleKind::Text;
    return std::nullopt;
}

bool isDateOrTime(const DataStyle& style) {
    return style.kind == DataStyleKind::Date || style.kind == DataStyleKind::Time;
}

DataStyle readDataStyle(XmlReader& xml, DataStyleKind kind) {
    DataStyle style;
    style.kind = kind;
    if (const auto name = xml.attribute(Ns::Style, "name")) style.name = *name;
    if (const auto truncate = xml.attribute(Ns::Number, "truncate-on-overflow")) {
        style.truncateOnOverflow = *truncate != "false";
    }
    style.localeId = localeOf(xml);
    const bool formatSourceIsLanguage =
        xml.attribute(Ns::Number, "format-source") == std::optional<std::string_view>("language");
    const bool automaticOrder = isTrue(xml.attribute(Ns::Number, "automatic-order"));
    while (xml.nextChild()) {
        const bool isNumberNs = xml.ns() == Ns::Number;
        const std::string_view local = xml.local();
        DataStylePart part;
        part.longForm = xml.attribute(Ns::Number, "style") == std::optional<std::string_view>("long");
        if (isNumberNs && local == "number") {
            style.parts.push_back(readNumberPart(xml, Type::Number));
            continue;
        }
        if (isNumberNs && local == "scientific-number") {
            style.parts.push_back(readNumberPart(xml, Type::Scientific));
            continue;
        }
        if (isNumberNs && local == "fraction") {
            style.parts.push_back(readNumberPart(xml, Type::Fraction));
            continue;
        }
        if (xml.is(Ns::Style, "text-properties") || xml.is(Ns::Style, "properties")) {
            if (const auto color = xml.attribute(Ns::Fo, "color")) style.color = parseColor(*color);
            xml.skipElement();
            continue;
        }
        if (xml.is(Ns::Style, "map")) {
            DataStyleMap map;
            if (const auto c = xml.attribute(Ns::Style, "condition")) map.condition = *c;
            if (const auto n = xml.attribute(Ns::Style, "apply-style-name")) map.styleName = *n;
            style.maps.push_back(std::move(map));
            xml.skipElement();
            continue;
        }
        if ((isNumberNs || xml.ns() == Ns::Loext) && local == "fill-character") {
            // Repeated to fill the cell's width, as in accounting formats.
            part.type = Type::FillCharacter;
            part.text = xml.readText();
            style.parts.push_back(std::move(part));
            continue;
        }
        if (!isNumberNs) {
            xml.skipElement();
            continue;
        }
        if (local == "text" || local == "currency-symbol") {
            part.type = local == "text" ? Type::Literal : Type::CurrencySymbol;
            if (part.type == Type::CurrencySymbol) part.localeId = localeOf(xml);
            part.text = xml.readText();
            style.parts.push_back(std::move(part));
            continue;
        }
        if (local == "day") part.type = Type::Day;
        else if (local == "month") {
            part.type = Type::Month;
            part.textual = isTrue(xml.attribute(Ns::Number, "textual"));
        } else if (local == "year") part.type = Type::Year;
        else if (local == "day-of-week") part.type = Type::DayOfWeek;
        else if (local == "hours") part.type = Type::Hours;
        else if (local == "minutes") part.type = Type::Minutes;
        else if (local == "seconds") {
            part.type = Type::Seconds;
            part.decimals = intAttribute(xml, "decimal-places");
        } else if (local == "am-pm") part.type = Type::AmPm;
        else if (local == "boolean") part.type = Type::Boolean;
        else if (local == "text-content") part.type = Type::TextContent;
        else {
            // Era, quarter, week of year: Excel 97 has no code for them.
            xml.skipElement();
            continue;
        }
        style.parts.push_back(std::move(part));
        xml.skipElement();
    }
    const bool hasTime = std::any_of(style.parts.begin(), style.parts.end(), [](const DataStylePart& part) {
        return part.type == Type::Hours || part.type == Type::Minutes || part.type == Type::Seconds;
    });
    if (formatSourceIsLanguage && kind == DataStyleKind::Date && hasTime) {
        // The office shows such a date and time in the form of its locale,
        // whose day and month carry two digits (01/31/20 08:00 AM), whatever
        // the parts say; its short date alone keeps them as written (1/31/20).
        for (DataStylePart& part : style.parts) {
            if (part.type == Type::Day || (part.type == Type::Month && !part.textual)) part.longForm = true;
        }
    }
    constexpr std::uint16_t kUnitedStates = 0x409;
    if (automaticOrder && !formatSourceIsLanguage && kind == DataStyleKind::Date &&
        style.localeId.value_or(kUnitedStates) == kUnitedStates) {
        if (auto standard = usEnglishStandardDate(style.parts)) style.parts = std::move(*standard);
    }
    if (formatSourceIsLanguage && kind == DataStyleKind::Date && !hasTime &&
        style.localeId.value_or(kUnitedStates) == kUnitedStates) {
        if (auto localeDate = usEnglishLocaleDate(style.parts)) style.parts = std::move(*localeDate);
    }
    return style;
}

namespace {

bool isSafeLiteral(char c, bool dateLike) {
    switch (c) {
    case ' ': case '-': case '+': case '/': case '(': case ')': case ':': case '$':
    case '!': case '^': case '&': case '\'': case '~': case '{': case '}': case '<':
    case '>': case '=':
        return true;
    case '.': case ',':
        return dateLike;
    default:
        return false;
    }
}

void appendLiteral(std::string& code, std::string_view text, DataStyleKind kind) {
    const bool dateLike = kind == DataStyleKind::Date || kind == DataStyleKind::Time;
    bool quoted = false;
    for (char c : text) {
        const bool raw = isSafeLiteral(c, dateLike) || (c == '%' && kind == DataStyleKind::Percentage);
        if (c == '"') {
            if (quoted) code += '"';
            quoted = false;
            code += "\\\"";
        } else if (raw && !quoted) {
            code += c;
        } else {
            if (!quoted) code += '"';
            quoted = true;
            code += c;
        }
    }
    if (quoted) code += '"';
}

std::string integerDigits(int zeros, bool grouping) {
    zeros = std::max(zeros, 0);
    if (!grouping) return zeros == 0 ? "#" : std::string(static_cast<std::size_t>(zeros), '0');
    const int digits = std::max(zeros, 4);
    std::string reversed;
    for (int i = 0; i < digits; ++i) {
        if (i > 0 && i % 3 == 0) reversed += ',';
        reversed += i < zeros ? '0' : '#';
    }
    return {reversed.rbegin(), reversed.rend()};
}

std::string decimalDigits(int decimals, int minDecimals) {
    if (decimals <= 0) return {};
    const int zeros = minDecimals >= 0 && minDecimals < decimals ? minDecimals : decimals;
    return "." + std::string(static_cast<std::size_t>(zeros), '0') +
           std::string(static_cast<std::size_t>(decimals - zeros), '#');
}

// Inserts texts between the integer digits, counted from the decimal separator.
std::string withEmbeddedTexts(std::string digits, const DataStylePart& part, DataStyleKind kind) {
    auto embedded = part.embedded;
    std::sort(embedded.begin(), embedded.end(), [](const auto& a, const auto& b) { return a.position > b.position; });
    for (const auto& entry : embedded) {
        int placeholders = 0;
        for (char c : digits) placeholders += c == '0' || c == '#';
        // One placeholder beyond the text, so that it stands between digits.
        if (placeholders <= entry.position) digits.insert(0, static_cast<std::size_t>(entry.position + 1 - placeholders), '#');
        // Find the place with `position` digit placeholders to its right.
        std::size_t at = digits.size();
        for (int seen = 0; at > 0 && seen < entry.position;) {
            --at;
            if (digits[at] == '0' || digits[at] == '#') ++seen;
        }
        std::string literal;
        appendLiteral(literal, entry.text, kind);
        digits.insert(at, literal);
    }
    return digits;
}

void appendNumber(std::string& code, const DataStylePart& part, DataStyleKind kind) {
    if (part.decimals < 0 && part.minDecimals < 0) {
        code += "General";
        return;
    }
    // Without a minimum, no zero stands before the separator (".5").
    std::string integer = integerDigits(std::max(part.minInteger, 0), part.grouping);
    code += part.embedded.empty() ? integer : withEmbeddedTexts(std::move(integer), part, kind);
    code += decimalDigits(part.decimals, part.minDecimals);
    // Scaling by thousands is written as trailing commas.
    for (double factor = part.displayFactor; factor >= 999.5; factor /= 1000) code += ',';
}

void appendScientific(std::string& code, const DataStylePart& part) {
    if (part.exponentInterval > 1) {
        code += std::string(static_cast<std::size_t>(part.exponentInterval - 1), '#') + "0";
    } else {
        code += integerDigits(part.minInteger < 0 ? 1 : std::max(part.minInteger, 1), part.grouping);
    }
    code += decimalDigits(part.decimals, part.minDecimals);
    code += "E+";
    code += std::string(static_cast<std::size_t>(part.minExponent < 1 ? 2 : part.minExponent), '0');
}

void appendFraction(std::string& code, const DataStylePart& part) {
    if (part.minInteger >= 0) code += (part.minInteger == 0 ? "# " : integerDigits(part.minInteger, part.grouping) + " ");
    code += std::string(static_cast<std::size_t>(std::max(part.minNumerator, 1)), '?');
    code += '/';
    if (part.denominatorValue > 0) code += std::to_string(part.denominatorValue);
    else code += std::string(static_cast<std::size_t>(std::max(part.minDenominator, 1)), '?');
}

void appendCurrency(std::string& code, const DataStylePart& part, DataStyleKind kind) {
    const std::string& symbol = part.text;
    if (symbol.empty()) return;
    if (symbol.find_first_of("]-") != std::string::npos) {
        // Would end the bracket early: shown as plain text instead.
        appendLiteral(code, symbol, kind);
        return;
    }
    if (part.localeId) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(*part.localeId));
        code += "[$" + symbol + "-" + hex + "]";
    } else {
        code += "[$" + symbol + "]";
    }
}

std::string colorName(const Color& color) {
    struct Named { Color color; const char* name; };
    static constexpr std::array kNames{
        Named{{0, 0, 0}, "[Black]"},      Named{{0, 0, 255}, "[Blue]"},
        Named{{0, 255, 255}, "[Cyan]"},   Named{{0, 255, 0}, "[Green]"},
        Named{{255, 0, 255}, "[Magenta]"}, Named{{255, 0, 0}, "[Red]"},
        Named{{255, 255, 255}, "[White]"}, Named{{255, 255, 0}, "[Yellow]"},
    };
    // The nearest of the eight names Excel knows, when it is near enough to
    // be the colour the author meant (a dark red still reads as red).
    const Named* best = nullptr;
    int bestDistance = 0;
    for (const auto& named : kNames) {
        const int dr = color.r - named.color.r, dg = color.g - named.color.g, db = color.b - named.color.b;
        const int distance = dr * dr + dg * dg + db * db;
        if (!best || distance < bestDistance) {
            best = &named;
            bestDistance = distance;
        }
    }
    return bestDistance <= 3 * 100 * 100 ? best->name : "";
}

// The words a boolean style shows in its language, as the office has them.
std::string booleanCode(std::optional<std::uint16_t> localeId) {
    struct Words { std::uint16_t language; const char* code; };
    static constexpr Words kWords[] = {
        {0x07, "\"WAHR\";\"WAHR\";\"FALSCH\""},  {0x0C, "\"VRAI\";\"VRAI\";\"FAUX\""},
        {0x0A, "\"VERDADERO\";\"VERDADERO\";\"FALSO\""}, {0x10, "\"VERO\";\"VERO\";\"FALSO\""},
        {0x16, "\"VERDADEIRO\";\"VERDADEIRO\";\"FALSO\""}, {0x13, "\"WAAR\";\"WAAR\";\"ONWAAR\""},
    };
    if (localeId) {
        const std::uint16_t language = *localeId & 0x3FF;
        for (const Words& words : kWords) if (words.language == language) return words.code;
    }
    return "\"TRUE\";\"TRUE\";\"FALSE\"";
}

// The section of one style, without its maps.
std::string sectionCode(const DataStyle& style) {
    std::string code;
    if (style.color) code += colorName(*style.color);
    bool firstTimePart = true;
    bool hasContent = false;
    bool hasLiteral = false;
    bool hasLiteralText = false;
    for (const DataStylePart& part : style.parts) {
        const bool elapsed = !style.truncateOnOverflow && firstTimePart &&
                             (part.type == Type::Hours || part.type == Type::Minutes || part.type == Type::Seconds);
        if (part.type == Type::Hours || part.type == Type::Minutes || part.type == Type::Seconds) {
            firstTimePart = false;
        }
        std::string token;
        switch (part.type) {
        case Type::Literal:
            appendLiteral(code, part.text, style.kind);
            hasLiteral = true;
            hasLiteralText = hasLiteralText || !part.text.empty();
            continue;
        case Type::Number: appendNumber(token, part, style.kind); break;
        case Type::Scientific: appendScientific(token, part); break;
        case Type::Fraction: appendFraction(token, part); break;
        case Type::CurrencySymbol: appendCurrency(token, part, style.kind); break;
        case Type::Day: token = part.longForm ? "DD" : "D"; break;
        case Type::Month: token = part.textual ? (part.longForm ? "MMMM" : "MMM") : (part.longForm ? "MM" : "M"); break;
        case Type::Year: token = part.longForm ? "YYYY" : "YY"; break;
        case Type::DayOfWeek: token = part.longForm ? "DDDD" : "DDD"; break;
        case Type::Hours: token = part.longForm ? "HH" : "H"; break;
        case Type::Minutes: token = part.longForm ? "MM" : "M"; break;
        case Type::Seconds:
            token = part.longForm ? "SS" : "S";
            if (part.decimals > 0) token += "." + std::string(static_cast<std::size_t>(part.decimals), '0');
            break;
        case Type::AmPm: token = "AM/PM"; break;
        case Type::Boolean: token = booleanCode(style.localeId); break;
        case Type::TextContent: token = "@"; break;
        case Type::FillCharacter: {
            // One character, however many bytes it takes.
            std::size_t length = part.text.empty() ? 0 : 1;
            while (length < part.text.size() && (static_cast<unsigned char>(part.text[length]) & 0xC0) == 0x80) ++length;
            if (length == 0) continue;
            token = "*" + part.text.substr(0, length);
            break;
        }
        }
        if (elapsed) {
            // Brackets go round the letters only: "[HH]", "[SS].00".
            const auto letters = token.find('.');
            token = "[" + token.substr(0, letters) + "]" + (letters == std::string::npos ? "" : token.substr(letters));
        }
        code += token;
        hasContent = true;
    }
    // A style of literals only shows them for any number, an empty one shows
    // nothing; a style of nothing at all shows the number as it is.
    if (!hasContent && !hasLiteral) code += "General";
    if (!hasContent && hasLiteral && !hasLiteralText) code += "\"\"";
    return code;
}

// "value()>=0" -> ">=0"; empty when the condition is not one Excel can hold.
std::string excelCondition(std::string_view condition) {
    std::string result;
    for (char c : condition) {
        if (c != ' ') result += c;
    }
    constexpr std::string_view kPrefix = "value()";
    if (result.compare(0, kPrefix.size(), kPrefix) != 0) return {};
    result.erase(0, kPrefix.size());
    if (result.compare(0, 2, "!=") == 0) result.replace(0, 2, "<>");
    const std::size_t operatorLength =
        (result.compare(0, 2, ">=") == 0 || result.compare(0, 2, "<=") == 0 || result.compare(0, 2, "<>") == 0) ? 2
        : (!result.empty() && (result[0] == '>' || result[0] == '<' || result[0] == '=')) ? 1
                                                                                          : 0;
    if (operatorLength == 0 || !parseNumber(std::string_view(result).substr(operatorLength))) return {};
    return result;
}

// "[$-407]" before a format in German, so that its day and month names stay
// German and its numbers keep the decimal comma (1,50) in readers that
// honour it, as the office showed them. Workbooks are read as United States
// English unless told otherwise.
std::string localePrefix(const DataStyle& style) {
    constexpr std::uint16_t kUnitedStates = 0x409;
    if (style.kind == DataStyleKind::Boolean) return {};
    if (!style.localeId || *style.localeId == kUnitedStates) return {};
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "[$-%X]", static_cast<unsigned>(*style.localeId));
    return prefix;
}

std::string sectionsCode(const DataStyle& style, const DataStyleLookup& lookup) {
    const std::string main = sectionCode(style);
    struct Section { std::string condition, code; };
    std::vector<Section> sections;
    for (const DataStyleMap& map : style.maps) {
        const DataStyle* applied = lookup ? lookup(map.styleName) : nullptr;
        std::string condition = excelCondition(map.condition);
        if (!applied || condition.empty() || applied == &style) continue;
        sections.push_back({std::move(condition), sectionCode(*applied)});
        if (sections.size() == 2) break;  // Excel holds two conditions and a default
    }
    if (sections.empty()) return main;
    // The usual shapes are written without explicit conditions, as Excel
    // itself writes them: positive;negative[;zero].
    if (sections.size() == 1 && sections[0].condition == ">=0") return sections[0].code + ";" + main;
    if (sections.size() == 2 && sections[0].condition == ">0" && sections[1].condition == "<0") {
        return sections[0].code + ";" + sections[1].code + ";" + main;
    }
    std::string code;
    for (const Section& section : sections) code += "[" + section.condition + "]" + section.code + ";";
    return code + main;
}

}  // namespace

std::string excelFormatCode(const DataStyle& style, const DataStyleLookup& lookup) {
    return localePrefix(style) + sectionsCode(style, lookup);
}

}  // namespace brindlemoor::office::ods
