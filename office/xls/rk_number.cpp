#include "office/xls/rk_number.h"

#include <bit>
#include <cmath>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint32_t kDividedBy100 = 0x1;
constexpr std::uint32_t kInteger = 0x2;
constexpr double kMinInt30 = -(1 << 29);
constexpr double kMaxInt30 = (1 << 29) - 1;

bool sameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

std::optional<std::uint32_t> asInteger(double v) {
    if (!(v >= kMinInt30 && v <= kMaxInt30) || v != std::trunc(v) || (v == 0 && std::signbit(v))) return std::nullopt;
    const auto i = static_cast<std::int32_t>(v);
    return (static_cast<std::uint32_t>(i) << 2) | kInteger;
}

std::optional<std::uint32_t> asTruncatedDouble(double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    if ((bits & 0x3FFFFFFFFull) != 0) return std::nullopt;
    return static_cast<std::uint32_t>(bits >> 32) & ~0x3u;
}

}  // namespace

double decodeRk(std::uint32_t rk) {
    double value;
    if (rk & kInteger) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        value = std::bit_cast<double>(static_cast<std::uint64_t>(rk & ~0x3u) << 32);
    }
    return (rk & kDividedBy100) ? value / 100 : value;
}

std::optional<std::uint32_t> encodeRk(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    if (auto rk = asInteger(value)) return rk;
    if (auto rk = asTruncatedDouble(value)) return rk;
    // The ×100 forms; accepted only when reading back gives exactly `value`.
    const double scaled = value * 100;
    for (auto candidate : {asInteger(scaled), asTruncatedDouble(scaled)}) {
        if (!candidate) continue;
        const std::uint32_t rk = *candidate | kDividedBy100;
        if (sameBits(decodeRk(rk), value)) return rk;
    }
    return std::nullopt;
}

}  // namespace brindlemoor::office::xls
