// Scanners for the two number forms of Shape Files: reals as C's "%f" prints
// them and integers as "%d" prints them. Pointer in, pointer out: each takes
// the first byte and the end of the line and returns the byte after the
// number, or nullptr when no number of that form starts there. Inline: they
// run once per field of files with millions of records.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace hbx::detail {

inline bool isDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// The slow cases of scanReal: a long integer part, or a double that lies
// exactly halfway between two floats. Converts [digits, end) exactly.
bool exactFloat(const char* digits, const char* end, float& out) noexcept;

// The six decimals at q as one number, or -1 when they are not six digits.
// Reads 8 bytes when the line has them (one word, tested and converted at
// once), else byte by byte.
inline std::int64_t sixDigits(const char* q, const char* end) {
    if (end - q >= 8) {
        std::uint64_t w;
        std::memcpy(&w, q, 8);
        if constexpr (std::endian::native == std::endian::little) {
            w -= 0x3030303030303030ULL;
            // A byte below '0' wraps to >= 0x80; one above '9' is >= 10 and
            // reaches 0x80 when 0x76 is added.
            if (((w | (w + 0x7676767676767676ULL)) & 0x0000808080808080ULL) != 0) return -1;
            // Six digits as the last six of eight (two leading zeros), then
            // pairs, quads and the whole in three multiplications.
            w = (w & 0x0000FFFFFFFFFFFFULL) << 16;
            w = (w * 10 + (w >> 8)) & 0x00FF00FF00FF00FFULL;
            w = (w * 100 + (w >> 16)) & 0x0000FFFF0000FFFFULL;
            w = (w * 10000 + (w >> 32)) & 0xFFFFFFFFULL;
            return static_cast<std::int64_t>(w);
        }
    }
    if (end - q < 6) return -1;
    std::int64_t n = 0;
    for (int i = 0; i < 6; ++i) {
        if (!isDigit(q[i])) return -1;
        n = n * 10 + (q[i] - '0');
    }
    return n;
}

// A real in "%f" form: an optional '-', one or more digits without a
// leading zero (a lone "0" is fine), '.', exactly six digits. Stores the
// float nearest to the decimal value (ties to even, as strtof does); "-0.0"
// gives a negative zero. Returns nullptr for any other form (no "+", no
// exponent, no "nan" or "inf", a seventh decimal) and when the value is
// beyond the float range; then out is unchanged.
inline const char* scanReal(const char* p, const char* end, float& out) noexcept {
    const char* q = p;
    const bool negative = q < end && *q == '-';
    q += negative;
    const char* digits = q;
    std::uint64_t n = 0;
    while (q < end && isDigit(*q))
        n = n * 10 + static_cast<unsigned>(*q++ - '0');
    const auto intDigits = q - digits;
    if (intDigits == 0 || (intDigits > 1 && *digits == '0')) return nullptr;
    if (q >= end || *q != '.') return nullptr;
    const std::int64_t micros = sixDigits(q + 1, end);
    if (micros < 0) return nullptr;
    q += 7;
    if (q < end && isDigit(*q)) return nullptr;

    float value;
    // Up to nine integer digits, n * 10^6 + micros < 10^15 < 2^53 is exact in
    // a double, and the quotient of two exact doubles is the double nearest
    // to the value. Rounding that to float gives the float nearest to the
    // value unless the double lies exactly halfway between two floats (its
    // 29 extra mantissa bits are 1 then 28 zeros): the value may then be on
    // either side, and the exact conversion decides. (The value is 0 or at
    // least 10^-6, far from the float subnormals.)
    const double d = static_cast<double>(n * 1000000 + static_cast<std::uint64_t>(micros)) / 1e6;
    const std::uint64_t low = std::bit_cast<std::uint64_t>(d) & ((std::uint64_t{1} << 29) - 1);
    if (intDigits <= 9 && low != (std::uint64_t{1} << 28)) {
        value = static_cast<float>(d);
    } else if (!exactFloat(digits, q, value)) {
        return nullptr;
    }
    out = negative ? -value : value;
    return q;
}

// The slow case of scanInteger: more than 18 digits, where int64 may
// overflow. Returns nullptr on overflow.
const char* scanLongInteger(const char* digits, const char* end, bool negative,
                            std::int64_t& out) noexcept;

// An integer in "%d" form: an optional '-', digits without a leading zero,
// no "-0". Returns nullptr for any other form and on overflow of int64.
inline const char* scanInteger(const char* p, const char* end, std::int64_t& out) noexcept {
    const char* q = p;
    const bool negative = q < end && *q == '-';
    q += negative;
    const char* digits = q;
    std::uint64_t n = 0;
    while (q < end && isDigit(*q))
        n = n * 10 + static_cast<unsigned>(*q++ - '0');
    const auto count = q - digits;
    if (count == 0 || (count > 1 && *digits == '0') || (negative && n == 0 && count == 1))
        return nullptr;
    if (count > 18) return scanLongInteger(digits, q, negative, out);
    out = negative ? -static_cast<std::int64_t>(n) : static_cast<std::int64_t>(n);
    return q;
}

} // namespace hbx::detail
