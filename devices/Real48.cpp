#include "devices/Real48.h"

#include <cmath>

namespace {
constexpr int ExponentBias = 129;
constexpr int MantissaBits = 39;
constexpr std::uint64_t MantissaMask = (std::uint64_t{1} << MantissaBits) - 1;
} // namespace

TReal48 DoubleToReal48(double Value) {
    TReal48 bytes{};
    if (Value == 0.0 || std::isnan(Value)) return bytes;
    const bool negative = std::signbit(Value);
    int exponent = 0;
    // frexp gives a fraction in [0.5, 1): value = fraction * 2^exponent = (2*fraction) * 2^(exponent-1).
    const double fraction = std::frexp(std::fabs(Value), &exponent);
    long double scaled = std::ldexp(static_cast<long double>(fraction) * 2.0L - 1.0L, MantissaBits);
    std::uint64_t mantissa = static_cast<std::uint64_t>(std::nearbyint(scaled));
    int biased = exponent - 1 + ExponentBias;
    if (mantissa > MantissaMask) { // rounding carried into the implicit bit
        mantissa = 0;
        ++biased;
    }
    if (biased <= 0) return bytes;
    if (biased > 255 || std::isinf(Value)) {
        biased = 255;
        mantissa = MantissaMask;
    }
    bytes[0] = static_cast<std::uint8_t>(biased);
    for (int i = 1; i <= 5; ++i)
        bytes[i] = static_cast<std::uint8_t>(mantissa >> (8 * (i - 1)));
    if (negative) bytes[5] |= 0x80;
    return bytes;
}

double Real48ToDouble(const TReal48& Bytes) {
    if (Bytes[0] == 0) return 0.0;
    std::uint64_t mantissa = 0;
    for (int i = 5; i >= 1; --i)
        mantissa = (mantissa << 8) | Bytes[i];
    const bool negative = (mantissa >> MantissaBits) & 1;
    mantissa &= MantissaMask;
    const long double significand = 1.0L + std::ldexp(static_cast<long double>(mantissa), -MantissaBits);
    const double value = static_cast<double>(std::ldexp(significand, Bytes[0] - ExponentBias));
    return negative ? -value : value;
}
