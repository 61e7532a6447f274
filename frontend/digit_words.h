// Runs of decimal digits read eight bytes at a time.
//
// A mesh line is mostly digits: reading a word at a time tells in one step
// how many digits lead and gives their value in a few multiplications,
// where a byte loop would take a compare and a branch per digit.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace hbx {

inline constexpr std::uint64_t kDigitBase = 0x3030303030303030ull; // eight '0'
inline constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ull;

// The eight bytes at p as one word, the byte at p lowest. All eight must be
// readable.
inline std::uint64_t loadEight(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    return w;
}

// How many of w's bytes, from the lowest, are '0'..'9'. A digit byte is
// 0x30..0x3f and stays so when 6 is added (0x3a..0x3f would reach 0x40). A
// carry out of a byte of 0xfa or more can only spoil the bytes above that
// non-digit byte, which are not counted.
inline int leadingDigitCount(std::uint64_t w) {
    const std::uint64_t notDigit = ((w & kHighNibbles) ^ kDigitBase) |
                                   (((w + 0x0606060606060606ull) & kHighNibbles) ^ kDigitBase);
    return std::countr_zero(notDigit) / 8; // 64 / 8 when all are digits
}

// The value of the first n (1 to 8) bytes of w, all digits: their digit
// values are moved to the top and zeros come in below, which makes an
// eight-digit number of the same value; that is summed in pairs, then
// quadruples. (Subtracting '0' from the bytes past the digits may borrow,
// but only upwards, into bytes that are shifted out.)
inline std::uint32_t leadingDigitsValue(std::uint64_t w, int n) {
    w = (w - kDigitBase) << (64 - 8 * n);
    w = w * 10 + (w >> 8);
    w = (((w & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((w >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
        32;
    return static_cast<std::uint32_t>(w);
}

} // namespace hbx
