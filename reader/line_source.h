// The lines of a Shape File, one after the other, from text in memory or
// streamed from an open file through one reusable buffer (so that a file of
// hundreds of megabytes is read once, in pieces that stay in the cache, and
// never held whole).
#pragma once

#include <cstdio>
#include <string_view>
#include <vector>

namespace hbx::detail {

class LineSource {
  public:
    // Lines of text; text must outlive the source.
    explicit LineSource(std::string_view text);
    // Lines read from file (opened for reading, closed by the caller).
    // sizeHint: the file's size when known, else 0. chunk: the bytes read
    // at a time (the buffer grows beyond it only for longer lines).
    LineSource(std::FILE* file, std::size_t sizeHint, std::size_t chunk = std::size_t{1} << 20);

    // The next line, without its '\n': [begin, end). newline is false for a
    // last line that has no line feed. The bytes stay valid until the next
    // call. Returns false at the end of the input or on a read error.
    bool next(const char*& begin, const char*& end, bool& newline);

    // True when reading the file failed (the lines so far are good).
    bool failed() const { return failed_; }

    // The size of the whole input in bytes when known (text, regular file),
    // else 0.
    std::size_t sizeHint() const { return sizeHint_; }

  private:
    // Moves the unread bytes to the front of the buffer (growing it when
    // they fill it) and reads more; false at the end of the file.
    bool refill();

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    const char* pos_ = nullptr;
    const char* end_ = nullptr;
    bool eof_ = false;
    bool failed_ = false;
    std::size_t sizeHint_ = 0;
};

} // namespace hbx::detail
