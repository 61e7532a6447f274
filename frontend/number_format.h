// Number printing for Shape Files.
//
// Every real in a Shape File is the "%f" conversion of a float widened to
// double; every integer is "%d". These appenders produce exactly those bytes
// (negative zero, huge values, subnormals, inf and nan included) without going
// through printf, so a whole file can be formatted into one buffer.
#pragma once

#include <cstdint>
#include <string>

namespace hbx {

// The most bytes writeFloat and writeInt write: "-" and the 39 integer
// digits of the largest float, point and six decimals; "-2147483648".
inline constexpr int kMaxFloatChars = 47;
inline constexpr int kMaxIntChars = 11;
inline constexpr int kMaxInt64Chars = 20; // "-9223372036854775808"

// Writes "%f" of (double)value at `at` and returns the end of what it
// wrote (no terminating NUL). `at` must have kMaxFloatChars bytes of room.
char* writeFloat(char* at, float value);

// Writes "%d" of value at `at` and returns the end; kMaxIntChars of room.
char* writeInt(char* at, int value);

// Writes "%lld" of value at `at` and returns the end; kMaxInt64Chars of
// room. For values within int it writes what writeInt writes.
char* writeInt64(char* at, std::int64_t value);

// Appends "%f" of (double)value to out: six decimals, no exponent, a leading
// '-' for negative values and negative zero, "inf"/"-inf"/"nan"/"-nan".
void appendFloat(std::string& out, float value);

// Appends "%d" of value to out.
void appendInt(std::string& out, int value);

} // namespace hbx
