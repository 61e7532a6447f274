#include "line_scan.h"

namespace hbx::detail {

std::string LineScan::found() const {
    if (p >= end) return "the end of the line";
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == ' ') return "a second space";
    if (c == '\r') return "a carriage return";
    if (c == '\t') return "a tab";
    if (c < 0x20 || c >= 0x7f) {
        static const char hex[] = "0123456789abcdef";
        return std::string("byte 0x") + hex[c >> 4] + hex[c & 15];
    }
    return std::string("'") + static_cast<char>(c) + "'";
}

bool LineScan::literal(std::string_view lit) {
    for (std::size_t i = 0; i < lit.size(); ++i, ++p) {
        if (p >= end || *p != lit[i]) {
            return fail(p, "expected \"" + std::string(lit) + "\", found " + found());
        }
    }
    return true;
}

bool LineScan::letter(char& out, std::string_view allowed, std::string_view what) {
    if (p < end && *p != ' ' && allowed.find(*p) != std::string_view::npos) {
        out = *p++;
        return true;
    }
    std::string list;
    for (char c : allowed) {
        if (!list.empty()) list += ", ";
        list += '\'';
        list += c;
        list += '\'';
    }
    return fail(p, "expected the " + std::string(what) + " (" + list + "), found " + found());
}

bool LineScan::space() {
    if (p < end && *p == ' ') {
        ++p;
        return true;
    }
    return fail(p, "expected a space, found " + found());
}

bool LineScan::real(float& out) {
    if (const char* q = scanReal(p, end, out)) {
        p = q;
        return true;
    }
    return fail(p, "expected a real number with six decimals, found " + found());
}

bool LineScan::integer(std::int64_t& out) {
    if (const char* q = scanInteger(p, end, out)) {
        p = q;
        return true;
    }
    return fail(p, "expected a whole number, found " + found());
}

bool LineScan::index(std::int32_t& out, std::size_t count, std::string_view what) {
    const char* at = p;
    std::int64_t n = 0;
    if (!integer(n)) return false;
    if (n < 1 || static_cast<std::uint64_t>(n) > count) {
        return fail(at, std::string(what) + " number " + std::to_string(n) + " out of range: " +
                            (count == 0 ? "there are no " + std::string(what) + " records"
                                        : "1 to " + std::to_string(count)));
    }
    out = static_cast<std::int32_t>(n - 1);
    return true;
}

bool LineScan::lineEnd() {
    if (p == end) return true;
    if (*p == ' ' && p + 1 == end) return fail(p, "trailing space at the end of the line");
    return fail(p, "expected the end of the line, found " + found());
}

} // namespace hbx::detail
