// Shared pieces of the bad-input catalogue: the four "create from file"
// writers as the tools expose them, a runner for argument mode, and the
// promises every run keeps whatever its input.
#pragma once

#include "tests/support/run_tool.h"

#include <string>
#include <vector>

namespace badinput {

struct Writer {
    const char* label; // for failure messages
    bool threeD;
    const char* code; // "SP", "CR" or "PX"
    bool proxy;
};

// Sphere fit, 3D proxy builder, circle fit, 2D proxy builder.
extern const Writer kSphere, kProxy3D, kCircle, kProxy2D;
extern const std::vector<Writer> kAllWriters;

const char* exe(const Writer& w);

// What argument mode prints before the writer speaks.
std::string header(const Writer& w);

// The framing up to and including "*start\n" for a file made from origin.
std::string framing(const Writer& w, const std::string& origin);

// The records between "*start\n" and "*end\n" ("<no record section>" when
// the file has no such section).
std::string records(const std::string& file);

struct Outcome {
    hbxtest::RunResult run;
    bool fileExists = false;
    std::string file; // the output after the run
};

// Runs `tool CODE input output` in dir (paths relative to dir). The output is
// removed first unless keepOutput.
Outcome runWriter(const Writer& w, const std::string& dir, const std::string& input,
                  const std::string& output, bool keepOutput = false);

// The promises of every run, whatever the input: it exits with 0 or 1 (never
// a signal) and prints nothing on stderr; 0 exactly when "Complete" ends the
// console, and then the file ends in the footer after "*end" and, for a proxy,
// holds no "nan" or "inf" record; 1 with "Fail" after an "Error: " line, and
// then no output file from a fit, none or an aborted one from a proxy builder.
void expectPromisesKept(const Writer& w, const Outcome& o, const std::string& context);

// A file of n bytes from a fixed pseudo-random sequence that never yields
// 'v' or 'f' (so no line of it is a vertex or face line), NUL, CR and LF
// included.
std::string garbage(std::size_t n, unsigned seed);

} // namespace badinput
