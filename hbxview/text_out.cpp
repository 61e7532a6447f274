#include "hbxview/text_out.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace hbxview {

void appendf(std::string& out, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
    } else if (n > 0) {
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data() + at, static_cast<std::size_t>(n) + 1, format, again);
        out.resize(at + static_cast<std::size_t>(n));
    }
    va_end(again);
}

void appendPoint(std::string& out, char command, double x, double y) {
    char text[64];
    char* at = text;
    *at++ = command;
    auto number = [&at, &text](double v) {
        v = std::isfinite(v) ? std::clamp(v, -1e9, 1e9) : 0.0;
        at = std::to_chars(at, text + sizeof text, v, std::chars_format::fixed, 2).ptr;
    };
    number(x);
    *at++ = ' ';
    number(y);
    out.append(text, static_cast<std::size_t>(at - text));
}

std::string escapeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        switch (ch) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += (ch >= 0x20 && ch < 0x7f) ? ch : '?';
            break;
        }
    }
    return out;
}

void appendBase64(std::string& out, const void* data, std::size_t size) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* bytes = static_cast<const unsigned char*>(data);
    out.reserve(out.size() + (size + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const unsigned v = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
        out += digits[v >> 18];
        out += digits[v >> 12 & 63];
        out += digits[v >> 6 & 63];
        out += digits[v & 63];
    }
    if (i < size) {
        const unsigned v = bytes[i] << 16 | (i + 1 < size ? bytes[i + 1] << 8 : 0);
        out += digits[v >> 18];
        out += digits[v >> 12 & 63];
        out += i + 1 < size ? digits[v >> 6 & 63] : '=';
        out += '=';
    }
}

} // namespace hbxview
