#include "frontend/number_scan.h"

#include "frontend/digit_words.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace hbx {
namespace {

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
inline bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

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

constexpr std::uint64_t kPow10Int[9] = {1,      10,      100,      1000,     10000,
                                        100000, 1000000, 10000000, 100000000};

// Appends the run of digits at p to mantissa (modulo 2^64: the caller counts
// the digits and only trusts a mantissa of at most 19) and returns the
// position after the run.
inline const char* gatherDigits(const char* p, const char* end, std::uint64_t& mantissa) {
    while (end - p >= 8) {
        const std::uint64_t w = loadEight(p);
        const int n = leadingDigitCount(w);
        if (n == 0) return p;
        mantissa = mantissa * kPow10Int[n] + leadingDigitsValue(w, n);
        p += n;
        if (n < 8) return p;
    }
    while (p < end && isDigit(*p)) {
        mantissa = mantissa * 10 + std::uint64_t(*p - '0');
        ++p;
    }
    return p;
}

constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// mantissa / 10^decimals rounded to float, when the division settles it (see
// scanFloat); false when it does not.
inline bool exactQuotient(std::uint64_t mantissa, int decimals, float* v) {
    const double q = static_cast<double>(mantissa) / kPow10[decimals];
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(q);
    const int exponent = static_cast<int>((bits >> 52) & 0x7ff) - 1023;
    const bool halfway = (bits & ((std::uint64_t(1) << 29) - 1)) == (std::uint64_t(1) << 28);
    // Zero, or a normal float that is not a tie.
    if (mantissa == 0 || (exponent >= -126 && exponent <= 127 && !halfway)) {
        *v = static_cast<float>(q);
        return true;
    }
    return false;
}

// "nan", "inf" or "infinity" (any case) at p, which holds an n or an i:
// scanf consumes the letters as long as they spell the word and fails when
// the word breaks off. Stores the value, negated when `negative`, and
// returns the position after the word; null when the word breaks off.
const char* scanWord(const char* p, const char* end, bool negative, float* out) {
    bool full;
    if (lower(*p) == 'n') {
        p = matchWord(p, end, "nan", full);
        if (!full) return nullptr;
        float v = std::numeric_limits<float>::quiet_NaN();
        *out = negative ? -v : v;
        return p;
    }
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

// A hex float at p ("0x" or "0X" there): hex digits, an optional point and
// a "p" exponent, converted with its sign from signStart on. Returns the
// position after it, or null when there is none ("0x" alone; "0x." reads as
// zero).
const char* scanHexFloat(const char* signStart, const char* p, const char* end, float* out) {
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
    if (!gotDigit && !gotDot) return nullptr;
    if (gotDigit && p < end && lower(*p) == 'p') {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        while (p < end && isDigit(*p))
            ++p;
    }
    if (!convertWithStrtof(signStart, p, out)) return nullptr;
    return p;
}

// A decimal number at p (past its sign, which starts at signStart): digits
// with at most one point, then an optional exponent. The digits are gathered
// while scanning, and the division of the short path (see scanFloat)
// settles those it can; exponents, long mantissas and ties go to
// from_chars, and results beyond the float range to strtof. Returns the
// position after the number, or null when it has no digit.
const char* scanDecimal(const char* signStart, const char* p, const char* end, bool negative,
                        float* out) {
    const char* const numStart = p;
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
        while (p < end && isDigit(*p))
            ++p;
    }
    float v = 0.0f;
    if (exact && exactQuotient(mantissa, decimals, &v)) {
        *out = negative ? -v : v;
        return p;
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

// Every form of "%f"; scanFloat's short path hands over whatever it does not
// settle itself. Skips white space, reads a sign, then a word, a hex float
// or a decimal number. Returns the position after the number, or null when
// none can be read (out then unchanged).
[[gnu::noinline]] const char* scanFloatGeneral(const char* p, const char* end, float* out) {
    while (p < end && isCSpace(*p))
        ++p;
    if (p >= end) return nullptr;
    const char* signStart = p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
        if (p >= end) return nullptr;
    }
    if (lower(*p) == 'n' || lower(*p) == 'i') return scanWord(p, end, negative, out);
    if (*p == '0' && p + 1 < end && lower(p[1]) == 'x') return scanHexFloat(signStart, p, end, out);
    return scanDecimal(signStart, p, end, negative, out);
}

// "%d" in full: white space, sign, and strtol's saturation.
[[gnu::noinline]] const char* scanIntGeneral(const char* p, const char* end, int* out) {
    while (p < end && isCSpace(*p))
        ++p;
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
            if (mag > (limit / 10) || next > limit)
                overflow = true;
            else
                mag = next;
        }
        ++p;
    }
    std::int64_t value;
    if (overflow)
        value = negative ? std::numeric_limits<std::int64_t>::min()
                         : std::numeric_limits<std::int64_t>::max();
    else
        value = negative ? std::int64_t(0 - mag) : std::int64_t(mag);
    *out = static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
    return p;
}

} // namespace

namespace {

// scanFloat itself, inlined into both entries.
[[gnu::always_inline]] inline const char* scanOneFloat(const char* p, const char* end, float* out) {
    // The short path: white space, a sign, digits with at most one point and
    // no exponent ("-12.375", the form of nearly every number in a mesh).
    while (p < end && isCSpace(*p))
        ++p;
    const char* signStart = p;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = (*p == '-');
        ++p;
    }
    // Integer parts are short in a mesh; the fraction holds most digits.
    std::uint64_t mantissa = 0;
    const char* intStart = p;
    while (p < end && isDigit(*p)) {
        mantissa = mantissa * 10 + std::uint64_t(*p - '0');
        ++p;
    }
    long digits = p - intStart;
    long decimals = 0;
    if (p < end && *p == '.') {
        const char* fracStart = ++p;
        p = gatherDigits(p, end, mantissa);
        decimals = p - fracStart;
        digits += decimals;
    }
    // Up to 19 digits the mantissa is exact in 64 bits; below 2^53 it is exact
    // in a double, and with at most 19 decimals the power of ten is exact too
    // (up to 10^22 are). Such a mantissa divided by that power is the double
    // nearest the decimal value; rounding that double to float gives the
    // float nearest the decimal value unless the double sits exactly halfway
    // between two floats (the only case where rounding twice can differ from
    // rounding once). An exponent or a hex prefix ("0x") follows as a letter
    // e or x; words (inf, nan) have no digit. All of those, and the ties, are
    // read again from the start by the general path.
    const bool letterFollows = p < end && ((*p | 0x20) == 'e' || (*p | 0x20) == 'x');
    float v = 0.0f;
    if (digits > 0 && digits <= 19 && !letterFollows && mantissa < (std::uint64_t(1) << 53) &&
        exactQuotient(mantissa, static_cast<int>(decimals), &v)) {
        *out = negative ? -v : v;
        return p;
    }
    return scanFloatGeneral(signStart, end, out);
}

} // namespace

const char* scanFloat(const char* p, const char* end, float* out) {
    return scanOneFloat(p, end, out);
}

int scanFloats(const char*& p, const char* end, float* out, int count) {
    for (int i = 0; i < count; ++i) {
        const char* next = scanOneFloat(p, end, &out[i]);
        if (!next) return i;
        p = next;
    }
    return count;
}

const char* scanInt(const char* p, const char* end, int* out) {
    // Plain digit runs: up to nine digits fit an int without a range check.
    // Anything else goes the general way.
    if (p < end && isDigit(*p)) {
        const char* start = p;
        std::uint32_t value = std::uint32_t(*p - '0');
        ++p;
        const char* stop = end - p > 8 ? p + 8 : end;
        while (p < stop && isDigit(*p)) {
            value = value * 10 + std::uint32_t(*p - '0');
            ++p;
        }
        if (p == end || !isDigit(*p)) {
            *out = static_cast<int>(value);
            return p;
        }
        return scanIntGeneral(start, end, out);
    }
    return scanIntGeneral(p, end, out);
}

} // namespace hbx
