// How both proxy builders open their files.
//
// The output is created first, then the input is read; the framing up to
// "*start" is formed only when both succeeded. A failure after the output was
// created leaves an aborted file, ending in "WRITE ABORTED".
#pragma once

#include "file_io.h"
#include "shape_file.h"

#include <string>

namespace hbx {

// Refuses an output that names the input ("Error: Input and output are the
// same file"), creates the output ("Error: Couldn't create outfile"; no file),
// reads the whole input into text ("Error: Couldn't stat "<path>""; the output
// then holds only "WRITE ABORTED"), and appends the framing of `tool` with the
// input path as origin to out's buffer. Returns false after printing the
// message.
bool openProxyFiles(const char* inputPath, const char* outputPath, Tool tool, OutputFile& out,
                    std::string& text);

// Ends out as an aborted file after a failure whose message has been printed.
// Returns the writer result 0, whatever the close reports.
int abortProxyFile(OutputFile& out);

} // namespace hbx
