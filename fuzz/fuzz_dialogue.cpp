// Arbitrary bytes on standard input of the interactive dialogue, through the
// real driver and the real writers of either tool.
//
// The first byte picks the tool (lowest bit: 0 = 3D, 1 = 2D); the rest is
// standard input. Every file name the dialogue may produce stays inside a
// play directory: '/' bytes are turned into '_' before the input is fed, and
// the run happens with that directory as the working directory. The play
// directory holds a few fixtures the answers can name: "a" (a closed 3D
// mesh), "b" (a 2D square mesh) and "d" (a directory).
//
// Checked after each run: the exit status is 0 or 1; 0 exactly when
// "Complete" ends the console output, and then the output file ends with a
// footer after the record terminator; a "create from file" run that names
// the same file twice leaves that file untouched; no writer runs with a line
// feed or carriage return in its input path.
#include "fuzz/harness_support.h"

#include "frontend/tool_driver.h"
#include "tools/tool_definitions.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char kMesh3D[] = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                       "vn -1 -1 -1\nvn 1 0 0\nvn 0 1 0\nvn 0 0 1\n"
                       "f 1//1 3//3 2//2\nf 1//1 2//2 4//4\nf 1//1 4//4 3//3\nf 2//2 3//3 4//4\n";
const char kMesh2D[] = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 3 4\n";

std::string playDir;
std::string stdinPath;
std::string homeDir;

// What the driver handed to the writers in the current run.
struct Call {
    bool called = false;
    int result = 0;
    std::string input; // empty unless a "create from file" writer ran
    std::string output;
    std::string inputBefore; // content of the input when it names the output too
    bool sameFile = false;
};
Call call;

bool sameFile(const char* a, const char* b) {
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The real definition of the tool being run; the harness runs a copy whose
// writers record their arguments and results, then call the real ones.
const hbx::ToolDefinition* realTool = nullptr;

const hbx::ShapeRow& realRow(int row) {
    return row == 0 ? realTool->analytic : realTool->proxy;
}

template <int Row, bool Manual> int recordOutput(const char* outputPath) {
    call.called = true;
    call.output = outputPath;
    const hbx::ShapeRow& real = realRow(Row);
    call.result = (Manual ? real.manual : real.shell)(outputPath);
    return call.result;
}

template <int Row> int recordFile(const char* inputPath, const char* outputPath) {
    call.called = true;
    call.input = inputPath;
    call.output = outputPath;
    call.sameFile = sameFile(inputPath, outputPath);
    if (call.sameFile) hbxfuzz::readFile(inputPath, call.inputBefore);
    call.result = realRow(Row).createFromFile(inputPath, outputPath);
    return call.result;
}

hbx::ToolDefinition recording(const hbx::ToolDefinition& real) {
    hbx::ToolDefinition copy = real;
    copy.analytic = {recordOutput<0, false>, recordOutput<0, true>, recordFile<0>};
    copy.proxy = {recordOutput<1, false>, recordOutput<1, true>, recordFile<1>};
    return copy;
}

void writeText(const std::string& path, const char* text) {
    hbxfuzz::writeFile(path, reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

// Puts the fixtures back and removes every other entry of the play directory.
void resetPlayDir() {
    if (DIR* dir = opendir(playDir.c_str())) {
        while (dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == ".." || name == "d") continue;
            unlink((playDir + "/" + name).c_str());
        }
        closedir(dir);
    }
    writeText(playDir + "/a", kMesh3D);
    writeText(playDir + "/b", kMesh2D);
    mkdir((playDir + "/d").c_str(), 0700);
}

void checkRun(int status, const std::string& console) {
    using hbxfuzz::endsWith;
    using hbxfuzz::fail;
    if (status != 0 && status != 1) fail("exit status neither 0 nor 1", console);
    const bool complete = endsWith(console, "Complete\n\n");
    if ((status == 0) != complete) fail("exit status and \"Complete\" disagree", console);
    if (call.called) {
        // A writer's success ends in "Complete" unless the footer could not
        // be appended; its failure always ends in "Fail".
        if (call.result == 0 && (complete || !endsWith(console, "Fail\n\n")))
            fail("a failed writer not reported as \"Fail\"", console);
        if (call.result != 0 && !complete &&
            !endsWith(console, "Error: Couldn't write outfile\nFail\n\n"))
            fail("a successful writer not reported as \"Complete\"", console);
    }
    // The input path becomes the origin line: one that would break it is
    // refused before a writer runs.
    if (call.input.find_first_of("\n\r") != std::string::npos)
        fail("a writer ran with a line break in the input path", console);
    if (call.sameFile) {
        std::string after;
        hbxfuzz::readFile(call.input, after);
        if (after != call.inputBefore) fail("the input named as output was changed", console);
        if (complete) fail("\"Complete\" with the same file as input and output", console);
    }
    if (!complete) return;
    if (!call.called) fail("\"Complete\" without a writer", console);
    std::string file;
    if (!hbxfuzz::readFile(call.output, file)) fail("\"Complete\" without an output file", console);
    const std::string_view rule = "#===========================================================#\n";
    const std::size_t end = file.rfind("*end\n\n");
    if (end == std::string::npos || !endsWith(file, rule) ||
        file.find("#============generated at ", end) == std::string::npos)
        fail("\"Complete\" with a file that is not finished", file);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    hbxfuzz::captureStdout();
    playDir = hbxfuzz::scratchDir() + "/play";
    stdinPath = hbxfuzz::scratchDir() + "/stdin";
    mkdir(playDir.c_str(), 0700);
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) hbxfuzz::fail("getcwd failed");
    homeDir = cwd;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    realTool = (data[0] & 1) ? &hbx2::toolDefinition() : &hbx3::toolDefinition();
    const hbx::ToolDefinition tool = recording(*realTool);
    std::vector<uint8_t> text(data + 1, data + size);
    for (uint8_t& c : text)
        if (c == '/') c = '_';
    hbxfuzz::writeFile(stdinPath, text.data(), text.size());
    if (!std::freopen(stdinPath.c_str(), "r", stdin)) hbxfuzz::fail("cannot redirect stdin");
    resetPlayDir();
    call = Call{};
    hbxfuzz::resetCapture();

    if (chdir(playDir.c_str()) != 0) hbxfuzz::fail("cannot enter the play directory");
    char name[] = "makeHBX";
    char* argv[] = {name, nullptr};
    const int status = hbx::runTool(tool, 1, argv);
    const std::string console = hbxfuzz::capturedOutput();
    checkRun(status, console);
    if (chdir(homeDir.c_str()) != 0) hbxfuzz::fail("cannot leave the play directory");
    return 0;
}
