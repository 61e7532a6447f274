// How both proxy builders open, fill and abort their output files.
//
// The output is created first, then the input is read; the framing up to
// "*start" is formed and written out only when both succeeded. The records
// follow through a RecordStream. A failure after the output was created
// leaves an aborted file: the framing (when it was reached) and
// "WRITE ABORTED", never a part of the records.
#pragma once

#include "frontend/file_io.h"
#include "frontend/shape_file.h"

#include <cstddef>
#include <string>

namespace hbx {

// Refuses an output that names the input ("Error: Input and output are the
// same file"), creates the output ("Error: Couldn't create outfile"; no file),
// reads the whole input into text ("Error: Couldn't stat "<path>""; the output
// then holds only "WRITE ABORTED"), and writes out the framing of `tool` with
// the input path as origin. Before reading, asks for large pages for the
// heap the run will take (hbx::preferLargePages, six times the input).
// Returns false after printing the message. A failed write of the framing
// is latched in out and reported by its close().
bool openProxyFiles(const char* inputPath, const char* outputPath, Tool tool, OutputFile& out,
                    std::string& text);

// Ends out as an aborted file after a failure whose message has been printed:
// drops what is still buffered (records never reach the file in part), then
// writes "WRITE ABORTED" and closes. Returns the writer result 0, whatever the
// close reports.
int abortProxyFile(OutputFile& out);

// The record lines of a proxy file on their way into out. Its buffer is
// reserved once, for the whole estimate when that is small and for one chunk
// of a few megabytes otherwise; a full chunk is written out, so the text of a
// large file is never all in memory at once. Write failures stay latched in
// out for its close().
class RecordStream {
  public:
    // Reserves the buffer for about `estimate` bytes of records. Throws
    // std::bad_alloc, with nothing of the records buffered or written. Expects
    // the framing to have been written out already (out's buffer is empty).
    RecordStream(OutputFile& out, std::size_t estimate);

    // Appends the line formed in [line, end) and its line feed, which is
    // stored at *end: the array needs one byte of room past the line. Assumes
    // lines shorter than kLineRoom: the buffer is written out before less than
    // that is left in it, so it never grows and nothing here allocates.
    void endLine(char* line, char* end);

    // Appends "*end" and the empty line that close the records.
    void endRecords();

    static constexpr std::size_t kLineRoom = 4096;

  private:
    OutputFile& out_;
    std::size_t drainAt_;
};

} // namespace hbx
