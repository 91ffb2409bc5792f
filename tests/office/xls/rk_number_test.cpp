#include "office/xls/rk_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

namespace brindlemoor::office::xls {
namespace {

enum class Form { Integer, Integer100, Ieee, Ieee100, None };

Form formOf(std::optional<std::uint32_t> rk) {
    if (!rk) return Form::None;
    const bool integer = *rk & 2, scaled = *rk & 1;
    return integer ? (scaled ? Form::Integer100 : Form::Integer) : (scaled ? Form::Ieee100 : Form::Ieee);
}

struct RkCase {
    double value;
    Form form;
};

class RkEncoding : public testing::TestWithParam<RkCase> {};

TEST_P(RkEncoding, ChoosesTheExactFormOrNone) {
    const auto [value, form] = GetParam();
    const auto rk = encodeRk(value);
    EXPECT_EQ(formOf(rk), form) << value;
    if (rk) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(decodeRk(*rk)), std::bit_cast<std::uint64_t>(value)) << value;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RkEncoding, testing::Values(
    RkCase{0, Form::Integer},
    RkCase{1, Form::Integer},
    RkCase{-1, Form::Integer},
    RkCase{536870911, Form::Integer},           // 2^29 - 1, largest 30-bit integer
    RkCase{-536870912, Form::Integer},          // -2^29
    RkCase{536870912, Form::Ieee},              // 2^29: too big for 30 bits, but a short double
    RkCase{1073741824.0 * 1024, Form::Ieee},    // 2^40
    RkCase{0.5, Form::Ieee},
    RkCase{-2.75, Form::Ieee},
    RkCase{1.25, Form::Ieee},
    RkCase{0.01, Form::Integer100},
    RkCase{12.34, Form::Integer100},
    RkCase{-5368709.12, Form::Integer100},      // -2^29 / 100
    RkCase{0.1, Form::Integer100},
    RkCase{1.0 / 3, Form::None},
    RkCase{3.14159265358979, Form::None},
    RkCase{123456789.123, Form::None},
    RkCase{1e-300, Form::None},
    RkCase{1e300, Form::None},
    RkCase{-0.0, Form::Ieee},                   // keeps its sign
    RkCase{std::numeric_limits<double>::infinity(), Form::None},
    RkCase{std::numeric_limits<double>::quiet_NaN(), Form::None}));

TEST(RkEncoding, EveryEncodedValueReadsBackBitForBit) {
    std::mt19937_64 random(20240601);
    std::uniform_int_distribution<int> cents(-100000000, 100000000);
    std::uniform_real_distribution<double> any(-1e9, 1e9);
    int encoded = 0;
    for (int i = 0; i < 200000; ++i) {
        // Money-like values (mostly ×100 forms) and arbitrary ones (mostly none).
        const double value = i % 2 ? cents(random) / 100.0 : any(random);
        if (const auto rk = encodeRk(value)) {
            ++encoded;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(decodeRk(*rk)), std::bit_cast<std::uint64_t>(value)) << value;
        }
    }
    EXPECT_GT(encoded, 50000);  // the money-like half must mostly fit
}

}  // namespace
}  // namespace brindlemoor::office::xls
