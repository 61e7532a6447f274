// Number reading with the rules of the C scanners.
//
// The OBJ readers scan text the way sscanf("%f") and sscanf("%d") would: skip
// leading white space, accept an optional sign, then the longest prefix that
// forms a number. These scanners work on a [p, end) range of bytes and return
// the position after the number, or nullptr when no number could be read (in
// which case *out is left untouched).
#pragma once

namespace hbx {

// "%f": decimal and exponent forms, "inf"/"infinity"/"nan"/"nan(...)" in any
// case, hex floats ("0x1.8p3"). The value is rounded straight to float.
const char* scanFloat(const char* p, const char* end, float* out);

// "%d": optional sign and decimal digits. Values beyond the int range wrap as
// glibc's strtol-then-truncate does.
const char* scanInt(const char* p, const char* end, int* out);

// isspace() of the C locale.
inline bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace hbx
