// Data styles as LibreOffice and OpenOffice.org write them, and the Excel
// format codes that must show the same strings.
#include "office/ods/style_sheet.h"
#include "office/ods/xml_reader.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

namespace brindlemoor::office::ods {
namespace {

// The format code of cell style "ce1", whose data style is "N1", among the
// data styles given (maps may refer to others).
std::string formatOf(const std::string& dataStyles) {
    const std::string xml = std::string("<office:automatic-styles") + testing::kOdfNamespaces + ">" + dataStyles +
                            R"(<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>)"
                            "</office:automatic-styles>";
    std::size_t offset = 0;
    XmlReader reader("test", [&](char* buffer, std::size_t size) {
        const std::size_t n = std::min(size, xml.size() - offset);
        std::memcpy(buffer, xml.data() + offset, n);
        offset += n;
        return n;
    });
    EXPECT_EQ(reader.next(), XmlEvent::Start);
    StyleSheet styles;
    styles.readStyles(reader, StyleScope::Automatic);
    return styles.flatten("ce1", ValueKind::Plain).numberFormat;
}

struct Case {
    const char* what;
    const char* xml;
    const char* expected;
};

const Case kCases[] = {
    {"general number", R"(<number:number-style style:name="N1"><number:number number:min-integer-digits="1"/></number:number-style>)", "General"},
    {"two decimals", R"(<number:number-style style:name="N1"><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:number-style>)", "0.00"},
    {"grouping", R"(<number:number-style style:name="N1"><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/></number:number-style>)", "#,##0.00"},
    {"no minimum of integer digits", R"(<number:number-style style:name="N1"><number:number number:decimal-places="2" number:grouping="true"/></number:number-style>)", "#,###.00"},
    {"leading zeros", R"(<number:number-style style:name="N1"><number:number number:decimal-places="0" number:min-integer-digits="5"/></number:number-style>)", "00000"},
    {"optional decimals", R"(<number:number-style style:name="N1"><number:number number:decimal-places="3" number:min-decimal-places="1" number:min-integer-digits="1"/></number:number-style>)", "0.0##"},
    {"thousands scaling", R"(<number:number-style style:name="N1"><number:number number:decimal-places="0" number:min-integer-digits="1" number:display-factor="1000"/><number:text>k</number:text></number:number-style>)", "0,\"k\""},
    {"literal text is quoted", R"(<number:number-style style:name="N1"><number:number number:decimal-places="1" number:min-integer-digits="1"/><number:text> kg.</number:text></number:number-style>)", "0.0 \"kg.\""},
    {"quote in literal", R"(<number:number-style style:name="N1"><number:number number:decimal-places="0" number:min-integer-digits="1"/><number:text>"</number:text></number:number-style>)", "0\\\""},
    {"text between the digits", R"(<number:number-style style:name="N1"><number:number number:decimal-places="3" number:min-integer-digits="5"><number:embedded-text number:position="3"> </number:embedded-text></number:number></number:number-style>)", "00 000.000"},
    {"text beyond the digits", R"(<number:number-style style:name="N1"><number:number number:decimal-places="0" number:min-integer-digits="1"><number:embedded-text number:position="4">-</number:embedded-text></number:number></number:number-style>)", "#-###0"},
    {"percentage", R"(<number:percentage-style style:name="N1"><number:number number:decimal-places="2" number:min-integer-digits="1"/><number:text>%</number:text></number:percentage-style>)", "0.00%"},
    {"percent sign outside a percentage is literal", R"(<number:number-style style:name="N1"><number:number number:decimal-places="0" number:min-integer-digits="1"/><number:text>%</number:text></number:number-style>)", "0\"%\""},
    {"scientific", R"(<number:number-style style:name="N1"><number:scientific-number number:decimal-places="2" number:min-integer-digits="1" number:min-exponent-digits="2"/></number:number-style>)", "0.00E+00"},
    {"fraction", R"(<number:number-style style:name="N1"><number:fraction number:min-integer-digits="0" number:min-numerator-digits="1" number:min-denominator-digits="2"/></number:number-style>)", "# ?/??"},
    {"fraction with fixed denominator", R"(<number:number-style style:name="N1"><number:fraction number:min-numerator-digits="1" number:denominator-value="16"/></number:number-style>)", "?/16"},
    {"dollar currency with red negatives",
     R"(<number:currency-style style:name="N1P0" style:volatile="true"><number:currency-symbol number:language="en" number:country="US">$</number:currency-symbol><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/></number:currency-style>)"
     R"(<number:currency-style style:name="N1"><style:text-properties fo:color="#ff0000"/><number:text>-</number:text><number:currency-symbol number:language="en" number:country="US">$</number:currency-symbol><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/><style:map style:condition="value()&gt;=0" style:apply-style-name="N1P0"/></number:currency-style>)",
     "[$$-409]#,##0.00;[Red]-[$$-409]#,##0.00"},
    {"euro after the number",
     R"(<number:currency-style style:name="N1"><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/><number:text> </number:text><number:currency-symbol number:language="de" number:country="DE">€</number:currency-symbol></number:currency-style>)",
     "#,##0.00 [$€-407]"},
    {"currency of a language tag",
     R"(<number:currency-style style:name="N1"><number:currency-symbol number:rfc-language-tag="fr-CH">CHF</number:currency-symbol><number:text> </number:text><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:currency-style>)",
     "[$CHF-100C] 0.00"},
    {"currency without a country",
     R"(<number:currency-style style:name="N1"><number:currency-symbol number:language="de">€</number:currency-symbol><number:number number:decimal-places="0" number:min-integer-digits="1"/></number:currency-style>)",
     "[$€]0"},
    {"dollar of no named country",
     R"(<number:currency-style style:name="N1"><number:currency-symbol>$</number:currency-symbol><number:number number:decimal-places="0" number:min-integer-digits="1"/></number:currency-style>)",
     "[$$]0"},
    {"unknown country",
     R"(<number:currency-style style:name="N1"><number:currency-symbol number:language="qq" number:country="ZZ">Q</number:currency-symbol><number:number number:decimal-places="0" number:min-integer-digits="1"/></number:currency-style>)",
     "[$Q]0"},
    {"symbol that would close the bracket",
     R"(<number:currency-style style:name="N1"><number:currency-symbol number:language="en" number:country="US">A-]</number:currency-symbol><number:number number:decimal-places="0" number:min-integer-digits="1"/></number:currency-style>)",
     "\"A-]\"0"},
    {"three sections",
     R"(<number:number-style style:name="P0"><number:number number:decimal-places="1" number:min-integer-digits="1"/></number:number-style>)"
     R"(<number:number-style style:name="P1"><number:text>(</number:text><number:number number:decimal-places="1" number:min-integer-digits="1"/><number:text>)</number:text></number:number-style>)"
     R"(<number:number-style style:name="N1"><number:text>zero</number:text><style:map style:condition="value()&gt;0" style:apply-style-name="P0"/><style:map style:condition="value()&lt;0" style:apply-style-name="P1"/></number:number-style>)",
     "0.0;(0.0);\"zero\""},
    {"other conditions keep their brackets",
     R"(<number:number-style style:name="P0"><number:number number:decimal-places="0" number:min-integer-digits="1"/><number:text> big</number:text></number:number-style>)"
     R"(<number:number-style style:name="N1"><number:number number:decimal-places="2" number:min-integer-digits="1"/><style:map style:condition="value()&gt;=1000" style:apply-style-name="P0"/></number:number-style>)",
     "[>=1000]0 \"big\";0.00"},
    {"iso date", R"(<number:date-style style:name="N1"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>)", "YYYY-MM-DD"},
    {"date with names and dots", R"(<number:date-style style:name="N1"><number:day-of-week/><number:text>, </number:text><number:day/><number:text>. </number:text><number:month number:textual="true" number:style="long"/><number:text> </number:text><number:year/></number:date-style>)", "DDD, D. MMMM YY"},
    {"date and time", R"(<number:date-style style:name="N1"><number:month/><number:text>/</number:text><number:day/><number:text>/</number:text><number:year/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text> </number:text><number:am-pm/></number:date-style>)", "M/D/YY HH:MM AM/PM"},
    {"date and time in the locale's own form", R"(<number:date-style style:name="N1" number:automatic-order="true" number:format-source="language"><number:month/><number:text>/</number:text><number:day/><number:text>/</number:text><number:year/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text> </number:text><number:am-pm/></number:date-style>)", "MM/DD/YY HH:MM AM/PM"},
    {"date in another language keeps its month names", R"(<number:date-style style:name="N1" number:language="de" number:country="DE"><number:day number:style="long"/><number:text>. </number:text><number:month number:textual="true"/><number:text> </number:text><number:year/></number:date-style>)", "[$-407]DD. MMM YY"},
    {"date in the workbook's own language", R"(<number:date-style style:name="N1" number:language="en" number:country="US"><number:month/><number:text>/</number:text><number:day/><number:text>/</number:text><number:year/></number:date-style>)", "M/D/YY"},
    {"numbers in another language keep its decimal comma", R"(<number:number-style style:name="N1" number:language="de" number:country="AT"><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:number-style>)", "[$-C07]0.00"},
    {"currency in another language", R"(<number:currency-style style:name="N1" number:language="de" number:country="DE"><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/><number:text> </number:text><number:currency-symbol number:language="de" number:country="DE">€</number:currency-symbol></number:currency-style>)", "[$-407]#,##0.00 [$€-407]"},
    {"numbers in the workbook's own language", R"(<number:number-style style:name="N1" number:language="en" number:country="US"><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:number-style>)", "0.00"},
    {"date alone in the locale's own form", R"(<number:date-style style:name="N1" number:automatic-order="true" number:format-source="language"><number:month/><number:text>/</number:text><number:day/><number:text>/</number:text><number:year/></number:date-style>)", "M/D/YY"},
    {"order left to the locale: short date of the locale", R"(<number:date-style style:name="N1" number:automatic-order="true"><number:day number:style="long"/><number:text>.</number:text><number:month number:style="long"/><number:text>.</number:text><number:year/></number:date-style>)", "MM/DD/YY"},
    {"order left to the locale: short date with the century", R"(<number:date-style style:name="N1" number:automatic-order="true"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>)", "MM/DD/YYYY"},
    {"order left to the locale: medium date", R"(<number:date-style style:name="N1" number:automatic-order="true"><number:day/><number:text> </number:text><number:month number:textual="true"/><number:text> </number:text><number:year number:style="long"/></number:date-style>)", "MMM D, YYYY"},
    {"order left to the locale: long date with the weekday", R"(<number:date-style style:name="N1" number:automatic-order="true"><number:day-of-week number:style="long"/><number:text>, </number:text><number:day/><number:text>. </number:text><number:month number:textual="true" number:style="long"/><number:text> </number:text><number:year number:style="long"/></number:date-style>)", "DDDD, MMMM D, YYYY"},
    {"order left to the locale: day and month name", R"(<number:date-style style:name="N1" number:automatic-order="true"><number:day number:style="long"/><number:text>. </number:text><number:month number:textual="true"/></number:date-style>)", "MMM DD"},
    {"order left to the locale: month and year", R"(<number:date-style style:name="N1" number:automatic-order="true"><number:month number:style="long"/><number:text>.</number:text><number:year/></number:date-style>)", "MM/YY"},
    {"order left to the locale: date and time to the second", R"(<number:date-style style:name="N1" number:automatic-order="true"><number:day number:style="long"/><number:text>.</number:text><number:month number:style="long"/><number:text>.</number:text><number:year/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:date-style>)", "MM/DD/YYYY HH:MM:SS"},
    {"order left to the locale: date and time to the minute", R"(<number:date-style style:name="N1" number:automatic-order="true"><number:day number:style="long"/><number:text>.</number:text><number:month number:style="long"/><number:text>.</number:text><number:year number:style="long"/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/></number:date-style>)", "MM/DD/YYYY HH:MM AM/PM"},
    {"order left to the locale: other shapes keep their order", R"(<number:date-style style:name="N1" number:automatic-order="true"><number:day/><number:text>.</number:text><number:month/><number:text>.</number:text><number:year/></number:date-style>)", "D.M.YY"},
    {"order left to the locale: short year and minutes keep their order", R"(<number:date-style style:name="N1" number:automatic-order="true"><number:day number:style="long"/><number:text>.</number:text><number:month number:style="long"/><number:text>.</number:text><number:year/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/></number:date-style>)", "DD.MM.YY HH:MM"},
    {"order left to a locale of its own", R"(<number:date-style style:name="N1" number:automatic-order="true" number:language="de" number:country="DE"><number:day number:style="long"/><number:text>.</number:text><number:month number:style="long"/><number:text>.</number:text><number:year/></number:date-style>)", "[$-407]DD.MM.YY"},
    {"date in the locale's own form whatever its order", R"(<number:date-style style:name="N1" number:automatic-order="true" number:format-source="language"><number:day number:style="long"/><number:text>. </number:text><number:month number:textual="true"/><number:text> </number:text><number:year number:style="long"/></number:date-style>)", "M/D/YY"},
    {"long date in the locale's own form", R"(<number:date-style style:name="N1" number:automatic-order="true" number:format-source="language"><number:day-of-week/><number:text>, </number:text><number:day number:style="long"/><number:text>.</number:text><number:month number:style="long"/><number:text>.</number:text><number:year/></number:date-style>)", "DDDD, MMMM D, YYYY"},
    {"month and year in the locale's own form keep their parts", R"(<number:date-style style:name="N1" number:automatic-order="true" number:format-source="language"><number:month number:textual="true"/><number:text> </number:text><number:year/></number:date-style>)", "MMM YY"},
    {"time with fractions of a second", R"(<number:time-style style:name="N1"><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long" number:decimal-places="2"/></number:time-style>)", "HH:MM:SS.00"},
    {"duration beyond a day", R"(<number:time-style style:name="N1" number:truncate-on-overflow="false"><number:hours/><number:text>:</number:text><number:minutes number:style="long"/></number:time-style>)", "[H]:MM"},
    {"duration in minutes", R"(<number:time-style style:name="N1" number:truncate-on-overflow="false"><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:time-style>)", "[MM]:SS"},
    {"boolean", R"(<number:boolean-style style:name="N1"><number:boolean/></number:boolean-style>)", "\"TRUE\";\"TRUE\";\"FALSE\""},
    {"boolean in another language", R"(<number:boolean-style style:name="N1" number:language="pt" number:country="BR"><number:boolean/></number:boolean-style>)", "\"VERDADEIRO\";\"VERDADEIRO\";\"FALSO\""},
    {"boolean in a language without words of its own", R"(<number:boolean-style style:name="N1" number:language="ja" number:country="JP"><number:boolean/></number:boolean-style>)", "\"TRUE\";\"TRUE\";\"FALSE\""},
    {"text", R"(<number:text-style style:name="N1"><number:text>Item: </number:text><number:text-content/></number:text-style>)", "\"Item: \"@"},
    {"colour near a named one", R"(<number:number-style style:name="N1"><style:text-properties fo:color="#0000ee"/><number:number number:decimal-places="0" number:min-integer-digits="1"/></number:number-style>)", "[Blue]0"},
    {"colour Excel cannot name is left out", R"(<number:number-style style:name="N1"><style:text-properties fo:color="#808080"/><number:number number:decimal-places="0" number:min-integer-digits="1"/></number:number-style>)", "0"},
    {"missing data style", "", "General"},
    {"colour alone", R"(<number:number-style style:name="N1"><style:text-properties fo:color="#ff0000"/></number:number-style>)", "[Red]General"},
    {"literal alone", R"(<number:number-style style:name="N1"><number:text>n/a</number:text></number:number-style>)", "\"n/a\""},
    {"fill character of an accounting format",
     R"(<number:currency-style style:name="N1"><number:currency-symbol number:language="en" number:country="US">$</number:currency-symbol><loext:fill-character xmlns:loext="urn:org:documentfoundation:names:experimental:office:xmlns:loext:1.0"> </loext:fill-character><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/></number:currency-style>)",
     "[$$-409]* #,##0.00"},
    {"fill character of the standard", R"(<number:number-style style:name="N1"><number:number number:decimal-places="0" number:min-integer-digits="1"/><number:fill-character>·</number:fill-character></number:number-style>)", "0*·"},
    {"empty literal shows nothing", R"(<number:number-style style:name="N1"><number:text/></number:number-style>)", "\"\""},
    {"empty zero section",
     R"(<number:number-style style:name="P0"><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:number-style>)"
     R"(<number:number-style style:name="N1"><number:text/><style:map style:condition="value()&gt;0" style:apply-style-name="P0"/><style:map style:condition="value()&lt;0" style:apply-style-name="P0"/></number:number-style>)",
     "0.00;0.00;\"\""},
};

class DataStyleTranslation : public ::testing::TestWithParam<Case> {};

TEST_P(DataStyleTranslation, GivesTheExcelCode) {
    const Case& c = GetParam();
    EXPECT_EQ(formatOf(c.xml), c.expected) << c.what;
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (const char* c = info.param.what; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Formats, DataStyleTranslation, ::testing::ValuesIn(kCases), caseName);

}  // namespace
}  // namespace brindlemoor::office::ods
