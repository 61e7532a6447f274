#include "number_scan.h"

#include <bit>
#include <charconv>

namespace hbx::detail {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Decimal value n / 10^6 rounded to float. The quotient of two exact doubles
// is the double nearest to the value; rounding that double to float gives
// the float nearest to the value unless the double is exactly halfway
// between two floats, when the value itself may lie on either side. Only
// then is the slower exact conversion needed (returns false).
bool microsToFloat(std::uint64_t n, float& out) {
    const double d = static_cast<double>(n) / 1e6;
    // Doubles have 29 more mantissa bits than floats; a float tie has the
    // highest of them set and the rest clear. (n / 10^6 is 0 or at least
    // 10^-6, far above the float subnormals, so the bit test holds.)
    const std::uint64_t low = std::bit_cast<std::uint64_t>(d) & ((std::uint64_t{1} << 29) - 1);
    if (low == (std::uint64_t{1} << 28)) return false;
    out = static_cast<float>(d);
    return true;
}

} // namespace

const char* scanReal(const char* p, const char* end, float& out) noexcept {
    const char* q = p;
    const bool negative = q < end && *q == '-';
    if (negative) ++q;
    const char* digits = q;
    std::uint64_t n = 0;
    while (q < end && isDigit(*q)) {
        n = n * 10 + static_cast<unsigned>(*q - '0'); // wraps harmlessly when long
        ++q;
    }
    const std::size_t intDigits = static_cast<std::size_t>(q - digits);
    if (intDigits == 0 || (intDigits > 1 && *digits == '0')) return nullptr;
    if (q >= end || *q != '.') return nullptr;
    ++q;
    if (end - q < 6) return nullptr;
    for (int i = 0; i < 6; ++i, ++q) {
        if (!isDigit(*q)) return nullptr;
        n = n * 10 + static_cast<unsigned>(*q - '0');
    }
    if (q < end && isDigit(*q)) return nullptr;

    float value = 0.0f;
    // Up to nine integer digits n < 10^15 < 2^53 is exact in a double.
    if (intDigits > 9 || !microsToFloat(n, value)) {
        const auto r = std::from_chars(digits, q, value, std::chars_format::fixed);
        if (r.ec != std::errc() || r.ptr != q) return nullptr;
    }
    out = negative ? -value : value;
    return q;
}

const char* scanInteger(const char* p, const char* end, std::int64_t& out) noexcept {
    const char* q = p;
    const bool negative = q < end && *q == '-';
    if (negative) ++q;
    const char* digits = q;
    // Accumulate the magnitude as unsigned so that INT64_MIN fits.
    std::uint64_t n = 0;
    const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    while (q < end && isDigit(*q)) {
        const unsigned d = static_cast<unsigned>(*q - '0');
        if (n > (limit - d) / 10) return nullptr;
        n = n * 10 + d;
        ++q;
    }
    const std::size_t count = static_cast<std::size_t>(q - digits);
    if (count == 0 || (count > 1 && *digits == '0')) return nullptr;
    if (negative && n == 0) return nullptr;
    out = negative ? static_cast<std::int64_t>(0 - n) : static_cast<std::int64_t>(n);
    return q;
}

} // namespace hbx::detail
