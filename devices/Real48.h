// The 6-byte real of the stored records: byte 0 is the exponent with bias 129 (0 means the value 0),
// bytes 1 to 5 hold a 39-bit mantissa with an implicit leading 1, least significant byte first, and the
// top bit of byte 5 is the sign.
#pragma once

#include <array>
#include <cstdint>

using TReal48 = std::array<std::uint8_t, 6>;

// Rounds to the nearest value the format holds; values beyond its range become the largest magnitude,
// values too small for it become 0. NaN becomes 0.
TReal48 DoubleToReal48(double Value);
double Real48ToDouble(const TReal48& Bytes);
