// Small helpers for writing picture text into a string.
#pragma once

#include <string>
#include <string_view>

namespace hbxview {

// Appends printf-formatted text to out, of any length.
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Appends a path command letter and one point, "M12.25 3.50", with two decimals: the common
// piece of every path, written without printf's cost (a 100,000-edge picture writes millions).
// Values beyond a billion pixels are clamped, so no exponent ever appears.
void appendPoint(std::string& out, char command, double x, double y);

// Text safe inside XML and HTML content and attribute values: &, <, >, " and ' become entities,
// and every byte outside printable ASCII becomes '?', so that a file name in any encoding cannot
// break the page or picture it is written into.
std::string escapeMarkup(std::string_view text);

// The standard base64 text (with '=' padding) of the given bytes, appended to out.
void appendBase64(std::string& out, const void* data, std::size_t size);

} // namespace hbxview
