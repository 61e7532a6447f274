// The driver shared by both tools: modes, prompts, dispatch and exit status.
#pragma once

#include "frontend/shape_file.h"

namespace hbx {

// A shell or manual writer: output path in, writer result out (non-zero on
// success).
using OutputWriter = int (*)(const char* outputPath);
// A "create from file" writer: input path, output path.
using FileWriter = int (*)(const char* inputPath, const char* outputPath);

struct ShapeRow {
    OutputWriter shell;
    OutputWriter manual;
    FileWriter createFromFile;
};

struct ToolDefinition {
    Tool tool;
    const char* shapePrompt;
    const char* analyticUpper;      // "SP" or "CR"
    const char* analyticLower;      // "sp" or "cr"
    const char* usageOnWrongCount;  // wrong number of arguments
    const char* usageOnUnknownCode; // unrecognised shape code in argument mode
    bool printCreating;             // the 3D tool prints "Creating... "
    ShapeRow analytic;
    ShapeRow proxy;
};

// Runs one tool invocation and returns the exit status (0 after "Complete").
// Never throws.
int runTool(const ToolDefinition& tool, int argc, char** argv);

} // namespace hbx
