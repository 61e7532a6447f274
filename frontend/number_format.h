// Number printing for Shape Files.
//
// Every real in a Shape File is the "%f" conversion of a float widened to
// double; every integer is "%d". These appenders produce exactly those bytes
// (negative zero, huge values, subnormals, inf and nan included) without going
// through printf, so a whole file can be formatted into one buffer.
#pragma once

#include <string>

namespace hbx {

// Appends "%f" of (double)value to out: six decimals, no exponent, a leading
// '-' for negative values and negative zero, "inf"/"-inf"/"nan"/"-nan".
void appendFloat(std::string& out, float value);

// Appends "%d" of value to out.
void appendInt(std::string& out, int value);

} // namespace hbx
