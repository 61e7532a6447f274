// Scanners for the two number forms of Shape Files: reals as C's "%f" prints
// them and integers as "%d" prints them. Pointer in, pointer out: each takes
// the first byte and the end of the text and returns the byte after the
// number, or nullptr when no number of that form starts there.
#pragma once

#include <cstdint>

namespace hbx::detail {

// A real in "%f" form: an optional '-', one or more digits without a
// leading zero (a lone "0" is fine), '.', exactly six digits. Stores the
// float nearest to the decimal value (ties to even, as strtof does); "-0.0"
// gives a negative zero. Returns nullptr for any other form (no "+", no
// exponent, no "nan" or "inf", a seventh decimal) and when the value is
// beyond the float range; then out is unchanged.
const char* scanReal(const char* p, const char* end, float& out) noexcept;

// An integer in "%d" form: an optional '-', digits without a leading zero,
// no "-0". Returns nullptr for any other form and on overflow of int64.
const char* scanInteger(const char* p, const char* end, std::int64_t& out) noexcept;

} // namespace hbx::detail
