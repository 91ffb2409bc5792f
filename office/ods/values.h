// Parsing of the value forms OpenDocument attributes use: dates, durations,
// lengths, colours, numbers.
#pragma once

#include "office/model/cell_format.h"

#include <optional>
#include <string_view>

namespace brindlemoor::office::ods {

// Days since 1899-12-30 (the 1900 date system's serials as spreadsheets
// count them), with the time of day as a fraction: "2024-01-15",
// "2024-01-15T10:30:00.5". Negative for earlier dates.
std::optional<double> parseDateSerial(std::string_view text);

// An ISO 8601 duration ("PT12H30M", "P1DT2H", "-PT0.5S") in days. Durations
// beyond a day stay above 1.
std::optional<double> parseDurationDays(std::string_view text);

// A length with its unit ("0.889in", "2.54cm", "10pt", "12px") in points.
std::optional<double> parseLengthPt(std::string_view text);

// "#rrggbb".
std::optional<Color> parseColor(std::string_view text);

std::optional<double> parseNumber(std::string_view text);

// A number written well but beyond what a double holds ("1e999").
bool isNumberTooLarge(std::string_view text);
std::optional<long long> parseInteger(std::string_view text);

}  // namespace brindlemoor::office::ods
