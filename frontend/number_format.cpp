#include "frontend/number_format.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace hbx {
namespace {

// "00" "01" ... "99": digits are written two at a time, halving the
// divisions.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> t{};
    for (int i = 0; i < 100; ++i) {
        t[2 * i] = char('0' + i / 10);
        t[2 * i + 1] = char('0' + i % 10);
    }
    return t;
}();

void putPair(char* at, unsigned pair) {
    std::memcpy(at, &kDigitPairs[2 * pair], 2);
}

// Writes the decimal digits of n so that they end just before `end`, and
// returns where they start. At least one digit ("0" for zero).
template <class Unsigned> char* putDigitsBefore(char* end, Unsigned n) {
    while (n >= 100) {
        end -= 2;
        putPair(end, unsigned(n % 100));
        n /= 100;
    }
    if (n >= 10) {
        end -= 2;
        putPair(end, unsigned(n));
    } else {
        *--end = char('0' + n);
    }
    return end;
}

// The number of decimal digits of n (1 for zero).
int digitCount(std::uint64_t n) {
    int count = 1;
    while (n >= 10000) {
        n /= 10000;
        count += 4;
    }
    return count + (n >= 10) + (n >= 100) + (n >= 1000);
}

// Float bit layout: sign, 8 exponent bits (bias 127), 23 stored mantissa bits.
constexpr int kMantissaBits = 23;
constexpr std::uint32_t kExponentMask = 0xff;
constexpr std::uint32_t kMantissaMask = (std::uint32_t(1) << kMantissaBits) - 1;
// A normal float with biased exponent E is m * 2^(E - 150) with the 24-bit
// integer m = 2^23 + stored mantissa.
constexpr int kIntegerMantissaBias = 127 + kMantissaBits;

// Below 2^-21 (about 4.77e-7) everything, subnormals and zeros included,
// prints as zero: the halfway point between 0.000000 and 0.000001 is 5e-7,
// above 2^-21. No float sits exactly on that halfway point, because
// 5e-7 = 1 / (2^7 * 5^6) is not a binary fraction; so there is no tie to
// break, and the floats in [2^-21, 5e-7) come out as zero from the exact
// path below as well. Starting the exact path at 2^-21 bounds its shift:
// m * 2^-44 at most, so m * 10^6 (below 2^44) never needs a shift of 64.
constexpr std::uint32_t kFirstExactBiased = 127 - 21;
// The exact path ends below 2^43: there m * 10^6 * 2^e stays below 2^63,
// since m * 10^6 < 2^24 * 2^20 and e is at most 19. Larger values are rare
// in a Shape File and go through the library.
constexpr std::uint32_t kLastExactBiased = 127 + 42;

constexpr std::uint64_t kMillion = 1000000;

// Values outside the exact path: huge ones, inf and nan. Kept out of line
// so that its buffer and library call do not weigh on the common path.
[[gnu::noinline]] char* writeFloatSlow(char* at, float value) {
    const double v = value;
    auto put = [&](const char* text) {
        const std::size_t n = std::strlen(text);
        std::memcpy(at, text, n);
        return at + n;
    };
    if (std::isnan(v)) return put(std::signbit(v) ? "-nan" : "nan");
    if (std::isinf(v)) return put(v < 0 ? "-inf" : "inf");
    // to_chars with a precision gives what printf("%.*f") gives in the C
    // locale: the exact binary value, correctly rounded. The largest float
    // has 39 integer digits, so kMaxFloatChars suffice.
    return std::to_chars(at, at + kMaxFloatChars, v, std::chars_format::fixed, 6).ptr;
}

} // namespace

char* writeFloat(char* at, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const bool negative = (bits >> 31) != 0;
    const std::uint32_t biased = (bits >> kMantissaBits) & kExponentMask;

    if (biased < kFirstExactBiased) {
        // printf keeps the sign of a negative value that rounds to zero.
        std::memcpy(at, "-0.000000", 9);
        if (negative) return at + 9;
        std::memcpy(at, "0.000000", 8);
        return at + 8;
    }

    if (biased <= kLastExactBiased) {
        // value * 10^6 rounded to an integer, exactly as printf does: on the
        // exact binary value, and an exact half goes to the even neighbour.
        // (Exact halves are the odd multiples of 2^-7, e.g. 0.0078125.)
        const std::uint64_t m = (bits & kMantissaMask) | (std::uint32_t(1) << kMantissaBits);
        const int e = int(biased) - kIntegerMantissaBias;
        std::uint64_t scaled;
        if (e >= 0) {
            scaled = (m * kMillion) << e;
        } else {
            const int shift = -e; // 1..44
            const std::uint64_t product = m * kMillion;
            scaled = product >> shift;
            const std::uint64_t rest = product & ((std::uint64_t(1) << shift) - 1);
            const std::uint64_t half = std::uint64_t(1) << (shift - 1);
            // Without a branch: which way a value rounds is as good as
            // random, and a mispredicted branch costs more than the sum.
            scaled += std::uint64_t(rest > half) | (std::uint64_t(rest == half) & scaled & 1);
        }

        // Sign, at most 13 integer digits, point, 6 decimals, written from
        // the end once the length is known.
        const auto fraction = std::uint32_t(scaled % kMillion);
        const std::uint64_t whole = scaled / kMillion;
        *at = '-'; // kept by a negative value only, also without a branch
        at += negative ? 1 : 0;
        char* const end = at + digitCount(whole) + 7;
        putPair(end - 6, fraction / 10000);
        putPair(end - 4, fraction / 100 % 100);
        putPair(end - 2, fraction % 100);
        end[-7] = '.';
        putDigitsBefore(end - 7, whole);
        return end;
    }

    return writeFloatSlow(at, value);
}

char* writeInt(char* at, int value) {
    // The magnitude in unsigned arithmetic, so that INT_MIN has one too.
    const std::uint32_t magnitude = value < 0 ? 0u - std::uint32_t(value) : std::uint32_t(value);
    if (value < 0) *at++ = '-';
    char* const end = at + digitCount(magnitude);
    putDigitsBefore(end, magnitude);
    return end;
}

char* writeInt64(char* at, std::int64_t value) {
    const std::uint64_t magnitude = value < 0 ? 0u - std::uint64_t(value) : std::uint64_t(value);
    if (value < 0) *at++ = '-';
    char* const end = at + digitCount(magnitude);
    putDigitsBefore(end, magnitude);
    return end;
}

void appendFloat(std::string& out, float value) {
    char buf[kMaxFloatChars];
    out.append(buf, std::size_t(writeFloat(buf, value) - buf));
}

void appendInt(std::string& out, int value) {
    char buf[kMaxIntChars];
    out.append(buf, std::size_t(writeInt(buf, value) - buf));
}

} // namespace hbx
