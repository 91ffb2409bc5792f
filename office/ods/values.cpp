#include "office/ods/values.h"

#include <charconv>
#include <cmath>

namespace brindlemoor::office::ods {
namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                             text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                             text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// Reads an unsigned run of digits; false when there is none.
bool readDigits(std::string_view& text, long long& value) {
    std::size_t used = 0;
    value = 0;
    while (used < text.size() && text[used] >= '0' && text[used] <= '9' && used < 18) {
        value = value * 10 + (text[used] - '0');
        ++used;
    }
    text.remove_prefix(used);
    return used > 0;
}

bool readDecimal(std::string_view& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc()) return false;
    text.remove_prefix(static_cast<std::size_t>(ptr - text.data()));
    return true;
}

bool consume(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long daysFromCivil(long long y, long long m, long long d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

std::optional<double> parseNumber(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool isNumberTooLarge(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc::result_out_of_range || ptr != end) return false;
    // Out of range either way: a negative exponent is a number too small, not too large.
    const auto exponent = text.find_first_of("eE");
    return exponent == std::string_view::npos || exponent + 1 >= text.size() || text[exponent + 1] != '-';
}

std::optional<long long> parseInteger(std::string_view text) {
    text = trim(text);
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<double> parseDateSerial(std::string_view text) {
    text = trim(text);
    bool negativeYear = consume(text, '-');
    long long year = 0, month = 0, day = 0;
    if (!readDigits(text, year) || !consume(text, '-') || !readDigits(text, month) ||
        !consume(text, '-') || !readDigits(text, day)) {
        return std::nullopt;
    }
    if (negativeYear) year = -year;
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    double serial = static_cast<double>(daysFromCivil(year, month, day) - daysFromCivil(1899, 12, 30));
    if (consume(text, 'T')) {
        long long hours = 0, minutes = 0;
        double seconds = 0;
        if (!readDigits(text, hours) || !consume(text, ':') || !readDigits(text, minutes)) {
            return std::nullopt;
        }
        if (consume(text, ':') && !readDecimal(text, seconds)) return std::nullopt;
        // A time with its zone counts in universal time, as spreadsheet
        // programs read it; one without stays as written.
        double offsetSeconds = 0;
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
            const double sign = text.front() == '-' ? -1 : 1;
            text.remove_prefix(1);
            long long offsetHours = 0, offsetMinutes = 0;
            if (!readDigits(text, offsetHours)) return std::nullopt;
            if (consume(text, ':')) readDigits(text, offsetMinutes);
            offsetSeconds = sign * static_cast<double>(offsetHours * 3600 + offsetMinutes * 60);
        }
        serial += (static_cast<double>(hours) * 3600 + static_cast<double>(minutes) * 60 + seconds - offsetSeconds) / 86400.0;
    }
    return serial;
}

std::optional<double> parseDurationDays(std::string_view text) {
    text = trim(text);
    const bool negative = consume(text, '-');
    if (!consume(text, 'P')) return std::nullopt;
    double seconds = 0;
    bool inTime = false;
    bool any = false;
    while (!text.empty()) {
        if (consume(text, 'T')) {
            inTime = true;
            continue;
        }
        double amount = 0;
        if (!readDecimal(text, amount) || text.empty()) return std::nullopt;
        const char unit = text.front();
        text.remove_prefix(1);
        any = true;
        if (!inTime && unit == 'Y') seconds += amount * 365 * 86400;
        else if (!inTime && unit == 'M') seconds += amount * 30 * 86400;
        else if (!inTime && unit == 'W') seconds += amount * 7 * 86400;
        else if (!inTime && unit == 'D') seconds += amount * 86400;
        else if (inTime && unit == 'H') seconds += amount * 3600;
        else if (inTime && unit == 'M') seconds += amount * 60;
        else if (inTime && unit == 'S') seconds += amount;
        else return std::nullopt;
    }
    if (!any) return std::nullopt;
    const double days = seconds / 86400.0;
    return negative ? -days : days;
}

std::optional<double> parseLengthPt(std::string_view text) {
    text = trim(text);
    double value = 0;
    std::string_view rest = text;
    if (!rest.empty() && rest.front() == '+') rest.remove_prefix(1);
    const char* end = rest.data() + rest.size();
    const auto [ptr, ec] = std::from_chars(rest.data(), end, value);
    if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
    const std::string_view unit = trim(std::string_view(ptr, static_cast<std::size_t>(end - ptr)));
    if (unit == "pt") return value;
    if (unit == "in" || unit == "inch") return value * 72.0;
    if (unit == "cm") return value * 72.0 / 2.54;
    if (unit == "mm") return value * 72.0 / 25.4;
    if (unit == "pc") return value * 12.0;
    if (unit == "px") return value * 0.75;
    if (unit.empty()) return value;  // some writers leave the unit out: points
    return std::nullopt;
}

std::optional<Color> parseColor(std::string_view text) {
    text = trim(text);
    if (text.size() != 7 || text.front() != '#') return std::nullopt;
    unsigned value = 0;
    const auto [ptr, ec] = std::from_chars(text.data() + 1, text.data() + 7, value, 16);
    if (ec != std::errc() || ptr != text.data() + 7) return std::nullopt;
    return Color{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                 static_cast<std::uint8_t>(value)};
}

}  // namespace brindlemoor::office::ods
