#include "reader/line_scan.h"

namespace hbx::detail {

bool LineScan::fail(const char* at, std::string message) {
    errorAt = at;
    error = std::move(message);
    return false;
}

std::string LineScan::found() const {
    if (p >= end) return "the end of the line";
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == ' ') return p > begin && p[-1] == ' ' ? "a second space" : "a space";
    if (c == '\r') return "a carriage return";
    if (c == '\t') return "a tab";
    if (c < 0x20 || c >= 0x7f) {
        static const char hex[] = "0123456789abcdef";
        return std::string("byte 0x") + hex[c >> 4] + hex[c & 15];
    }
    return std::string("'") + static_cast<char>(c) + "'";
}

bool LineScan::failLiteral(std::string_view lit) {
    for (std::size_t i = 0; i < lit.size() && p < end && *p == lit[i]; ++i)
        ++p;
    return fail(p, "expected \"" + std::string(lit) + "\", found " + found());
}

bool LineScan::failLetter(std::string_view allowed, std::string_view what) {
    std::string list;
    for (char c : allowed) {
        if (!list.empty()) list += ", ";
        list += '\'';
        list += c;
        list += '\'';
    }
    return fail(p, "expected the " + std::string(what) + " (" + list + "), found " + found());
}

bool LineScan::failIndex(const char* at, std::int64_t n, std::size_t count, std::string_view what) {
    return fail(at, std::string(what) + " number " + std::to_string(n) + " out of range: " +
                        (count == 0 ? "there are no " + std::string(what) + " records"
                                    : "1 to " + std::to_string(count)));
}

bool LineScan::failLineEnd() {
    if (*p == ' ' && p + 1 == end) return fail(p, "trailing space at the end of the line");
    return fail(p, "expected the end of the line, found " + found());
}

} // namespace hbx::detail
