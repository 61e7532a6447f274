// A cursor over one line of a Shape File, for the record parsers. Each step
// checks one field and moves past it; the first failing step keeps where and
// why, and the rest of the chain is skipped through the && of the caller:
//
//     LineScan s(line, end);
//     ok = s.tag('v') && s.letter(v.type, "oihn", "vertex type") && s.space() && s.real(v.pos.x)
//     ...
#pragma once

#include "number_scan.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace hbx::detail {

struct LineScan {
    const char* begin; // first byte of the line
    const char* p;     // next byte to read
    const char* end;   // the line end (the '\n', not included)
    const char* errorAt = nullptr;
    std::string error; // set with errorAt on the first failure

    LineScan(const char* lineBegin, const char* lineEnd)
        : begin(lineBegin), p(lineBegin), end(lineEnd) {}

    // 1-based column of the failure.
    std::uint64_t errorColumn() const { return static_cast<std::uint64_t>(errorAt - begin) + 1; }

    bool fail(const char* at, std::string message) {
        errorAt = at;
        error = std::move(message);
        return false;
    }

    // What stands at p, for messages: "end of line" or the byte.
    std::string found() const;

    // The exact text lit.
    bool literal(std::string_view lit);
    // One byte out of allowed; what names the field in the message.
    bool letter(char& out, std::string_view allowed, std::string_view what);
    // Exactly one space.
    bool space();
    // A real in "%f" form (six decimals).
    bool real(float& out);
    // An integer in "%d" form.
    bool integer(std::int64_t& out);
    // A 1-based number of one of count records (what: "vertex", "edge"),
    // stored 0-based.
    bool index(std::int32_t& out, std::size_t count, std::string_view what);
    // Nothing left on the line.
    bool lineEnd();
};

} // namespace hbx::detail
