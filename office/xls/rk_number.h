// RK numbers: BIFF's 4-byte compact form of a double. Only values that survive
// the round trip bit for bit are encoded; everything else goes in a NUMBER record.
//
//   bit 0     value is divided by 100 when read
//   bit 1     bits 2..31 are a signed 30-bit integer, else they are the top
//             30 bits of an IEEE double whose low 34 bits are zero
#pragma once

#include <cstdint>
#include <optional>

namespace brindlemoor::office::xls {

std::optional<std::uint32_t> encodeRk(double value);
double decodeRk(std::uint32_t rk);

}  // namespace brindlemoor::office::xls
