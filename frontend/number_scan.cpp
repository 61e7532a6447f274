#include "number_scan.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace hbx {
namespace {

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Matches word (lower case) case-insensitively at p. Returns the position
// after the matched prefix and sets full when the whole word matched.
const char* matchWord(const char* p, const char* end, const char* word, bool& full) {
    while (*word && p < end && lower(*p) == *word) {
        ++p;
        ++word;
    }
    full = (*word == '\0');
    return p;
}

// The slow, exact path: strtof on a NUL-terminated copy of the collected text.
// Used for hex floats, overflow and underflow.
bool convertWithStrtof(const char* first, const char* last, float* out) {
    std::string text(first, last);
    char* stop = nullptr;
    float v = std::strtof(text.c_str(), &stop);
    if (stop == text.c_str()) return false;
    *out = v;
    return true;
}

} // namespace

const char* scanFloat(const char* p, const char* end, float* out) {
    while (p < end && isCSpace(*p)) ++p;
    if (p >= end) return nullptr;
    const char* signStart = p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
        if (p >= end) return nullptr;
    }
    // Words: scanf consumes the letters as long as they spell the word and
    // fails when the word breaks off.
    if (lower(*p) == 'n') {
        bool full;
        p = matchWord(p, end, "nan", full);
        if (!full) return nullptr;
        float v = std::numeric_limits<float>::quiet_NaN();
        *out = negative ? -v : v;
        return p;
    }
    if (lower(*p) == 'i') {
        bool full;
        p = matchWord(p, end, "inf", full);
        if (!full) return nullptr;
        if (p < end && lower(*p) == 'i') {
            p = matchWord(p, end, "inity", full);
            if (!full) return nullptr;
        }
        float v = std::numeric_limits<float>::infinity();
        *out = negative ? -v : v;
        return p;
    }
    const char* numStart = p;
    if (*p == '0' && p + 1 < end && lower(p[1]) == 'x') {
        // Hex float: 0x, hex digits, optional point, p exponent.
        p += 2;
        bool gotDigit = false, gotDot = false;
        while (p < end) {
            if (isHexDigit(*p)) {
                gotDigit = true;
                ++p;
            } else if (*p == '.' && !gotDot) {
                gotDot = true;
                ++p;
            } else {
                break;
            }
        }
        // scanf refuses a bare "0x" but takes "0x." (as zero).
        if (!gotDigit && !gotDot) return nullptr;
        if (gotDigit && p < end && lower(*p) == 'p') {
            ++p;
            if (p < end && (*p == '+' || *p == '-')) ++p;
            while (p < end && isDigit(*p)) ++p;
        }
        if (!convertWithStrtof(signStart, p, out)) return nullptr;
        return p;
    }
    // Plain decimals ("-12.375") are by far the most common form in a mesh:
    // their digits are gathered while scanning. A mantissa below 2^53 with at
    // most 22 decimals divided by an exact power of ten is the double nearest
    // the decimal value; rounding that double to float gives the float
    // nearest the decimal value unless the double sits exactly halfway
    // between two floats (the only case where rounding twice can differ from
    // rounding once). Every other form goes to from_chars.
    static constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    bool gotDigit = false, gotDot = false;
    std::uint64_t mantissa = 0;
    int decimals = 0;
    bool exact = true;
    while (p < end) {
        if (isDigit(*p)) {
            gotDigit = true;
            if (exact) {
                if (mantissa >= 900719925474099ull) exact = false; // x10 + 9 stays below 2^53
                mantissa = mantissa * 10 + std::uint64_t(*p - '0');
                if (gotDot && ++decimals > 22) exact = false;
            }
            ++p;
        } else if (*p == '.' && !gotDot) {
            gotDot = true;
            ++p;
        } else {
            break;
        }
    }
    if (!gotDigit) return nullptr;
    if (p < end && lower(*p) == 'e') {
        exact = false;
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        while (p < end && isDigit(*p)) ++p;
    }
    float v = 0.0f;
    if (exact) {
        const double q = static_cast<double>(mantissa) / kPow10[decimals];
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(q);
        const int exponent = static_cast<int>((bits >> 52) & 0x7ff) - 1023;
        const bool halfway = (bits & ((std::uint64_t(1) << 29) - 1)) == (std::uint64_t(1) << 28);
        // Zero, or a normal float that is not a tie.
        if (mantissa == 0 || (exponent >= -126 && exponent <= 127 && !halfway)) {
            v = static_cast<float>(q);
            *out = negative ? -v : v;
            return p;
        }
    }
    auto res = std::from_chars(numStart, p, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        if (!convertWithStrtof(signStart, p, out)) return nullptr;
        return p;
    }
    if (res.ec != std::errc()) return nullptr;
    *out = negative ? -v : v;
    return p;
}

const char* scanInt(const char* p, const char* end, int* out) {
    while (p < end && isCSpace(*p)) ++p;
    if (p >= end) return nullptr;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    if (p >= end || !isDigit(*p)) return nullptr;
    // strtol saturates at the long range; the result is then truncated to int.
    std::uint64_t mag = 0;
    bool overflow = false;
    const std::uint64_t limit = negative ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1;
    while (p < end && isDigit(*p)) {
        if (!overflow) {
            std::uint64_t next = mag * 10 + std::uint64_t(*p - '0');
            if (mag > (limit / 10) || next > limit) overflow = true;
            else mag = next;
        }
        ++p;
    }
    std::int64_t value;
    if (overflow) value = negative ? std::numeric_limits<std::int64_t>::min()
                                   : std::numeric_limits<std::int64_t>::max();
    else value = negative ? std::int64_t(0 - mag) : std::int64_t(mag);
    *out = static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
    return p;
}

} // namespace hbx
