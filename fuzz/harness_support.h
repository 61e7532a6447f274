// Shared plumbing of the libFuzzer harnesses.
//
// The writers take file paths and talk on standard output, so every harness
// runs them the way the tools do: the fuzzed bytes go to a scratch file, the
// writer reads it and writes a real output file, and standard output goes to
// a capture file that the harness reads back. After each run the harness checks
// the promises the tools make to their users (a run that reports success left
// a complete file, a failure said why, nothing went to standard error) and
// aborts on a broken one, so libFuzzer keeps the input as a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hbxfuzz {

// A fresh scratch directory for this process, on a RAM disk when there is
// one (the harnesses write a file per execution). Created on first use.
const std::string& scratchDir();

// Points file descriptor 1 at a capture file in the scratch directory. Call
// once from LLVMFuzzerInitialize; libFuzzer itself reports on stderr.
void captureStdout();

// Empties the capture file before a run.
void resetCapture();
// Everything printed on standard output since resetCapture().
std::string capturedOutput();

void writeFile(const std::string& path, const uint8_t* data, std::size_t size);
// Reads the file at path; returns false when it does not exist or is not a
// regular file.
bool readFile(const std::string& path, std::string& out);
void removeFile(const std::string& path);

// Aborts with a report on stderr (libFuzzer then saves the input).
[[noreturn]] void fail(std::string_view what, std::string_view detail = {});

inline bool endsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// True when some line of text begins with prefix.
bool hasLineStartingWith(std::string_view text, std::string_view prefix);

// The kind of file a failed "create from file" writer may leave behind.
enum class FailedFile {
    None,   // no output file (the fits read first, then create)
    Aborted // none, or one that ends with "WRITE ABORTED" (the proxy builders)
};

// Checks what a "create from file" writer promises for its result: 1 leaves a
// file that ends with the record terminator (and, when finiteRecords, holds no
// "nan" or "inf" between "*start" and "*end"), and prints no error; 0 prints an
// "Error: " line and leaves the file of the given kind.
void checkWriterResult(int result, const std::string& console, const std::string& outputPath,
                       bool finiteRecords, FailedFile failedFile);

} // namespace hbxfuzz
