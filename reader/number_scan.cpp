#include "reader/number_scan.h"

#include <charconv>

namespace hbx::detail {

bool exactFloat(const char* digits, const char* end, float& out) noexcept {
    const auto r = std::from_chars(digits, end, out, std::chars_format::fixed);
    return r.ec == std::errc() && r.ptr == end;
}

const char* scanLongInteger(const char* digits, const char* end, bool negative,
                            std::int64_t& out) noexcept {
    // The magnitude is accumulated unsigned so that INT64_MIN fits.
    const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    std::uint64_t n = 0;
    for (const char* q = digits; q < end; ++q) {
        const unsigned d = static_cast<unsigned>(*q - '0');
        if (n > (limit - d) / 10) return nullptr;
        n = n * 10 + d;
    }
    out = negative ? static_cast<std::int64_t>(0 - n) : static_cast<std::int64_t>(n);
    return end;
}

} // namespace hbx::detail
