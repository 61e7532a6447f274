// Helpers for end-to-end tests: run a built tool with arguments and standard
// input, capture what it prints, and look at the files it leaves.
#pragma once

#include <string>
#include <vector>

namespace hbxtest {

struct RunResult {
    int exitCode = -1; // -1: did not exit normally (crash, signal)
    std::string out;   // standard output
    std::string err;   // standard error (the tools never write to it)
};

// Paths of the built tools.
const char* tool3d();
const char* tool2d();

// Runs exe with args, feeding stdinText on standard input (then end of input),
// with extra environment entries ("TZ=UTC0"), in the working directory cwd
// (empty: the current one).
RunResult runTool(const std::string& exe, const std::vector<std::string>& args,
                  const std::string& stdinText = "", const std::vector<std::string>& env = {},
                  const std::string& cwd = "");

// A fresh, empty scratch directory for one test (removed by the OS's tmp
// cleaning, not by the test, so failures can be inspected).
std::string makeScratchDir();

std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

// The Shape File with its generation stamp line replaced by a fixed text,
// for whole-file comparisons with golden files. Returns the text unchanged
// when it has no stamp line.
std::string maskStamp(const std::string& shapeFile);

} // namespace hbxtest
