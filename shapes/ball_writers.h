// The three writers of an analytic shape (the sphere of the 3D tool, the
// circle of the 2D tool). The two shapes differ only in their number of axes,
// tool framing, type code, shell lines, and which messages end with a line
// feed; `BallShape` holds those differences.
#pragma once

#include "frontend/file_io.h"
#include "frontend/shape_file.h"

#include <string_view>

namespace hbx {

struct BallShape {
    Tool tool;
    std::string_view typeCode; // "SP" or "CR"
    int axes;                  // 3 or 2
    std::string_view shellRecords;
    bool shellOpenMessageEndsLine; // "Couldn't create outfile" of the shell writer
    bool fitOpenMessagesEndLine;   // both open messages of the fit
};

// Shell file with placeholders. Returns 1, or 0 when the output cannot be
// created or written.
int ballShell(const BallShape& shape, const char* outputPath);

// Asks for the radius and the centre on the terminal. Returns 0 when the
// output cannot be created or written, or an answer is not a number.
int ballManual(const BallShape& shape, const char* outputPath);

// Fits the shape to the vertices of the OBJ file at inputPath. Returns 0 when
// the input cannot be read, names the same file as the output, or the output
// cannot be created or written; no output is created when the input fails.
int ballCreateOBJ(const BallShape& shape, const char* inputPath, const char* outputPath);

} // namespace hbx
