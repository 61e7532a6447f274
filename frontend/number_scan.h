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

// scanFloat on up to count numbers in a row, each from where the one before
// ended ("%f %f %f"): reading stops at the first number that cannot be read.
// Returns how many were read; p is left after the last one read.
int scanFloats(const char*& p, const char* end, float* out, int count);

// "%d": optional sign and decimal digits. Values beyond the int range wrap as
// glibc's strtol-then-truncate does.
const char* scanInt(const char* p, const char* end, int* out);

// isspace() of the C locale: ' ', '\t', '\n', '\v', '\f', '\r'. One compare
// settles every byte above the space (digits among them).
inline bool isCSpace(char c) {
    constexpr unsigned long long kSpaces = (1ull << ' ') | (1ull << '\t') | (1ull << '\n') |
                                           (1ull << '\v') | (1ull << '\f') | (1ull << '\r');
    const unsigned char u = static_cast<unsigned char>(c);
    return u <= ' ' && ((kSpaces >> u) & 1u) != 0;
}

} // namespace hbx
