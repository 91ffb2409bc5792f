// Number, currency, percentage, date, time, boolean and text styles of a
// document (the `number:*-style` elements), and their translation into
// Excel's format codes.
#pragma once

#include "office/model/cell_format.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brindlemoor::office::ods {

class XmlReader;

enum class DataStyleKind { Number, Currency, Percentage, Date, Time, Boolean, Text };

// One element of a data style, in document order.
struct DataStylePart {
    enum class Type {
        Literal, Number, Scientific, Fraction, CurrencySymbol, Day, Month, Year, DayOfWeek,
        Hours, Minutes, Seconds, AmPm, Boolean, TextContent, FillCharacter,
    };
    Type type = Type::Literal;
    std::string text;             // literal text, currency symbol
    std::optional<std::uint16_t> localeId;  // the currency's country, as Excel numbers it
    int decimals = -1;            // -1: not given
    int minDecimals = -1;
    int minInteger = -1;
    int minExponent = -1;
    int exponentInterval = -1;
    int minNumerator = -1;
    int minDenominator = -1;
    int denominatorValue = 0;
    bool grouping = false;
    bool longForm = false;        // number:style="long"
    bool textual = false;         // month as a name
    double displayFactor = 1;
    struct Embedded {
        int position;      // digits left of the decimal separator
        std::string text;
    };
    std::vector<Embedded> embedded;  // text inside the integer digits
};

struct DataStyleMap {
    std::string condition;        // "value()>=0"
    std::string styleName;
};

struct DataStyle {
    std::string name;
    DataStyleKind kind = DataStyleKind::Number;
    std::vector<DataStylePart> parts;
    std::optional<Color> color;
    std::vector<DataStyleMap> maps;
    bool truncateOnOverflow = true;  // false: a duration, hours beyond 24 shown
    // The language of its day and month names and of its decimal and
    // thousands separators.
    std::optional<std::uint16_t> localeId;
};

// Reads the data style element the reader stands on, to its end.
DataStyle readDataStyle(XmlReader& xml, DataStyleKind kind);

// The data style kind of an element name ("number-style", "date-style", ...).
std::optional<DataStyleKind> dataStyleKindOf(std::string_view localName);

using DataStyleLookup = std::function<const DataStyle*(const std::string& name)>;

// The Excel format code that displays values as `style` does. Conditional
// maps become sections; `lookup` finds the styles they apply.
std::string excelFormatCode(const DataStyle& style, const DataStyleLookup& lookup);

bool isDateOrTime(const DataStyle& style);

}  // namespace brindlemoor::office::ods
