#include "number_format.h"

#include <charconv>
#include <cmath>

namespace hbx {

void appendFloat(std::string& out, float value) {
    const double v = value;
    if (std::isnan(v)) {
        out.append(std::signbit(v) ? "-nan" : "nan");
        return;
    }
    if (std::isinf(v)) {
        out.append(v < 0 ? "-inf" : "inf");
        return;
    }
    // The largest float has 39 integer digits; with sign, point and six
    // decimals 48 bytes suffice.
    char buf[64];
    // to_chars with a precision is specified as printf("%.*f") in the C
    // locale: the exact binary value, correctly rounded, "-0.000000" for -0.
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    out.append(buf, res.ptr);
}

void appendInt(std::string& out, int value) {
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

} // namespace hbx
