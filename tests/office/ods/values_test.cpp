#include "office/ods/unread_values.h"
#include "office/ods/values.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::ods {
namespace {

TEST(DateSerial, CountsDaysFromTheEndOf1899) {
    EXPECT_EQ(parseDateSerial("1899-12-30"), 0.0);
    EXPECT_EQ(parseDateSerial("1900-03-01"), 61.0);
    EXPECT_EQ(parseDateSerial("2024-01-15"), 45306.0);
    EXPECT_EQ(parseDateSerial("1899-12-01"), -29.0);
    EXPECT_EQ(parseDateSerial("1904-01-01"), 1462.0);
}

TEST(DateSerial, AddsTheTimeOfDay) {
    EXPECT_DOUBLE_EQ(*parseDateSerial("2024-01-15T12:00:00"), 45306.5);
    EXPECT_DOUBLE_EQ(*parseDateSerial("2024-01-15T06:00:00.5"), 45306.25 + 0.5 / 86400);
    EXPECT_DOUBLE_EQ(*parseDateSerial("2024-01-15T18:00"), 45306.75);
}

TEST(DateSerial, TimesWithAZoneCountInUniversalTime) {
    EXPECT_DOUBLE_EQ(*parseDateSerial("1987-11-29T13:37:00Z"), *parseDateSerial("1987-11-29T13:37:00"));
    EXPECT_DOUBLE_EQ(*parseDateSerial("1987-11-29T13:37:00-10:00"), *parseDateSerial("1987-11-29T23:37:00"));
    EXPECT_DOUBLE_EQ(*parseDateSerial("2024-01-15T01:00:00+02:00"), *parseDateSerial("2024-01-14T23:00:00"));
}

TEST(DateSerial, RefusesWhatIsNotADate) {
    EXPECT_FALSE(parseDateSerial(""));
    EXPECT_FALSE(parseDateSerial("yesterday"));
    EXPECT_FALSE(parseDateSerial("2024-13-01"));
    EXPECT_FALSE(parseDateSerial("2024-01"));
}

TEST(Duration, IsAFractionOfADay) {
    EXPECT_DOUBLE_EQ(*parseDurationDays("PT12H30M"), 12.5 / 24);
    EXPECT_DOUBLE_EQ(*parseDurationDays("PT12H30M00S"), 12.5 / 24);
    EXPECT_DOUBLE_EQ(*parseDurationDays("PT36H00M00S"), 1.5);
    EXPECT_DOUBLE_EQ(*parseDurationDays("P1DT6H"), 1.25);
    EXPECT_DOUBLE_EQ(*parseDurationDays("-PT6H"), -0.25);
    EXPECT_DOUBLE_EQ(*parseDurationDays("PT0.5S"), 0.5 / 86400);
    EXPECT_FALSE(parseDurationDays("12:30"));
    EXPECT_FALSE(parseDurationDays("P"));
    EXPECT_FALSE(parseDurationDays("PT5X"));
}

TEST(Length, ConvertsUnitsToPoints) {
    EXPECT_DOUBLE_EQ(*parseLengthPt("1in"), 72);
    EXPECT_DOUBLE_EQ(*parseLengthPt("2.54cm"), 72);
    EXPECT_DOUBLE_EQ(*parseLengthPt("25.4mm"), 72);
    EXPECT_DOUBLE_EQ(*parseLengthPt("10pt"), 10);
    EXPECT_DOUBLE_EQ(*parseLengthPt("4px"), 3);
    EXPECT_FALSE(parseLengthPt("wide"));
    EXPECT_FALSE(parseLengthPt("3furlongs"));
}

TEST(Colour, ReadsHexTriplets) {
    EXPECT_EQ(parseColor("#ff8000"), (Color{255, 128, 0}));
    EXPECT_EQ(parseColor("#FF8000"), (Color{255, 128, 0}));
    EXPECT_FALSE(parseColor("transparent"));
    EXPECT_FALSE(parseColor("#ff80"));
    EXPECT_FALSE(parseColor("#gg0000"));
}

TEST(CellName, CountsColumnsInLetters) {
    EXPECT_EQ(cellName(0, 0), "A1");
    EXPECT_EQ(cellName(9, 25), "Z10");
    EXPECT_EQ(cellName(0, 26), "AA1");
    EXPECT_EQ(cellName(0, 701), "ZZ1");
    EXPECT_EQ(cellName(1048575, 16383), "XFD1048576");
}

}  // namespace
}  // namespace brindlemoor::office::ods
