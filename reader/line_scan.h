// A cursor over one line of a Shape File, for the record parsers. Each step
// checks one field and moves past it; the first failing step keeps where and
// why, and the rest of the chain is skipped through the && of the caller:
//
//     LineScan s(line, end);
//     ok = s.literal("v") && s.letter(v.type, "oihn", "vertex type") && s.space() && ...
//
// The steps are inline (they run once per field); building a message is
// left to out-of-line functions that run only on failure.
#pragma once

#include "reader/number_scan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

    bool fail(const char* at, std::string message);

    // What stands at p, for messages: "the end of the line", "a tab", "'x'".
    std::string found() const;

    // The exact text lit.
    bool literal(std::string_view lit) {
        if (static_cast<std::size_t>(end - p) >= lit.size() &&
            std::string_view(p, lit.size()) == lit) {
            p += lit.size();
            return true;
        }
        return failLiteral(lit);
    }
    // One byte out of allowed; what names the field in the message.
    bool letter(char& out, std::string_view allowed, std::string_view what) {
        if (p < end && *p != ' ' && allowed.find(*p) != std::string_view::npos) {
            out = *p++;
            return true;
        }
        return failLetter(allowed, what);
    }
    // Exactly one space.
    bool space() {
        if (p < end && *p == ' ') {
            ++p;
            return true;
        }
        return fail(p, "expected a space, found " + found());
    }
    // A real in "%f" form (six decimals).
    bool real(float& out) {
        if (const char* q = scanReal(p, end, out)) {
            p = q;
            return true;
        }
        return fail(p, "expected a real number with six decimals, found " + found());
    }
    // An integer in "%d" form.
    bool integer(std::int64_t& out) {
        if (const char* q = scanInteger(p, end, out)) {
            p = q;
            return true;
        }
        return fail(p, "expected a whole number, found " + found());
    }
    // A 1-based number of one of count records (what: "vertex", "edge"),
    // stored 0-based.
    bool index(std::int32_t& out, std::size_t count, std::string_view what) {
        const char* at = p;
        std::int64_t n = 0;
        if (!integer(n)) return false;
        if (n < 1 || static_cast<std::uint64_t>(n) > count) return failIndex(at, n, count, what);
        out = static_cast<std::int32_t>(n - 1);
        return true;
    }
    // Nothing left on the line.
    bool lineEnd() { return p == end || failLineEnd(); }

  private:
    bool failLiteral(std::string_view lit);
    bool failLetter(std::string_view allowed, std::string_view what);
    bool failIndex(const char* at, std::int64_t n, std::size_t count, std::string_view what);
    bool failLineEnd();
};

} // namespace hbx::detail
