// Whole-file input and buffered, checked output.
//
// Inputs are read into memory once. Outputs are formatted into a buffer that
// flush() and close() write out: a writer flushes what must be on disk before
// it goes on (the framing, a value already answered), the rest is written at
// the close. Every write and the close are checked, so a full disk is
// reported instead of a Shape File that silently lost its tail.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace hbx {

// Messages of every writer: an output that could not be written in full, and
// a "create from file" run whose output names its input.
inline constexpr std::string_view kWriteFailed = "Error: Couldn't write outfile\n";
inline constexpr std::string_view kSameFile = "Error: Input and output are the same file\n";

// Reads the whole regular file at path into out. Returns false when the file
// cannot be opened or read, or is not a regular file (a directory, say).
bool readWholeFile(const char* path, std::string& out);

// The size in bytes of the regular file at path, or 0 when there is no
// regular file there.
std::size_t regularFileSize(const char* path);

// True when both paths exist and name the same file (same device and inode).
bool sameExistingFile(const char* a, const char* b);

// An output file opened with mode "w" (or "a"). Text goes into buffer();
// flush() and close() write it out. The destructor closes a file still open
// (errors then ignored), so every failure path releases the handle.
class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Opens path for writing ("w") or appending ("a"). Returns false when the
    // file cannot be opened or created.
    bool open(const char* path, const char* mode = "w");
    bool isOpen() const { return file_ != nullptr; }

    std::string& buffer() { return buffer_; }
    void write(std::string_view text) { buffer_.append(text); }

    // Writes the buffered text now. Returns false when a write failed (also an
    // earlier one).
    bool flush();
    // Writes the buffer and closes. Returns false when any write or the close
    // failed.
    bool close();

  private:
    std::FILE* file_ = nullptr;
    std::string buffer_;
    bool failed_ = false;
};

} // namespace hbx
