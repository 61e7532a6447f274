// Small helpers for writing picture text into a string.
#pragma once

#include <string>
#include <string_view>

namespace hbxview {

// Appends printf-formatted text to out, of any length.
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Text safe inside XML and HTML content and attribute values: &, <, >, " and ' become entities,
// and every byte outside printable ASCII becomes '?', so that a file name in any encoding cannot
// break the document.
std::string escapeMarkup(std::string_view text);

// The standard base64 text (with '=' padding) of the given bytes, appended to out.
void appendBase64(std::string& out, const void* data, std::size_t size);

} // namespace hbxview
