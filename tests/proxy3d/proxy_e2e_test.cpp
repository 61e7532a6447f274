// makeHBX3 PX end to end: every failure with its console text and file, the
// interactive mode, and whole files of small meshes against golden files.
#include "frontend/shape_file.h"
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using hbxtest::readFile;
using hbxtest::runTool;
using hbxtest::writeFile;

const std::string kHead = "Making shape type: PX\nCreating... \n";

std::string framing(const std::string& input) {
    std::string out;
    hbx::appendFraming(out, hbx::Tool::ThreeD, input, "PX");
    return out;
}

struct FailureCase {
    const char* name;
    const char* obj;
    const char* message;
};

// Each mesh fails while it is read; the file keeps the framing and ends
// aborted. The first bad line in file order decides.
const FailureCase kReadFailures[] = {
    {"no faces", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", "Error: Couldn't find any vertices or faces\n"},
    {"no vertices", "f 1 2 3\n", "Error: Couldn't find any vertices or faces\n"},
    {"vertex nan", "v 0 0 0\nv nan 0 0\nv 0 1 0\nf 1 2 3\n", "Error: Vertex 1 is out of range\n"},
    {"vertex inf", "v 0 0 -inf\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "Error: Vertex 0 is out of range\n"},
    {"vertex 1e18", "v 0 0 0\nv 1 0 0\nv 0 -1e18 0\nf 1 2 3\n",
     "Error: Vertex 2 is out of range\n"},
    {"normal huge", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvn 2e18 0 0\nf 1 2 3\n",
     "Error: Normal 1 is out of range\n"},
    {"index 0", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 0 1 2\n",
     "Error: Face 1 refers to a missing vertex\n"},
    {"index past end", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n",
     "Error: Face 0 refers to a missing vertex\n"},
    {"relative before start", "v 0 0 0\nv 1 0 0\nf -1 -2 -3\nv 0 1 0\n",
     "Error: Face 0 refers to a missing vertex\n"},
    {"normal index past end", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//2\n",
     "Error: Face 0 refers to a missing normal\n"},
    {"normal index 0", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1/1/0 2 3\n",
     "Error: Face 0 refers to a missing normal\n"},
    {"two corners", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\n",
     "Error: Face 0 has fewer than three corners\n"},
    {"malformed", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 x 3\n", "Error: Face 0 has a malformed corner\n"},
    // "f 1 2 \n": the third token is the line end, which holds no index.
    {"line end as corner", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 \n",
     "Error: Face 0 has a malformed corner\n"},
    {"face before bad vertex", "v 0 0 0\nv 1 0 0\nf 1 2 9\nv nan 1 0\n",
     "Error: Face 0 refers to a missing vertex\n"},
    {"bad vertex before face", "v 0 0 0\nv 1 0 0\nv inf 1 0\nf 1 2 9\n",
     "Error: Vertex 2 is out of range\n"},
};

TEST(ProxyCreate3D, ReadingFailuresEndAborted) {
    const std::string dir = hbxtest::makeScratchDir();
    for (const FailureCase& c : kReadFailures) {
        SCOPED_TRACE(c.name);
        const std::string in = dir + "/in.obj", out = dir + "/out.hbx3";
        writeFile(in, c.obj);
        const auto r = runTool(hbxtest::tool3d(), {"PX", in, out});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, kHead + c.message + "Fail\n\n");
        EXPECT_EQ(readFile(out), framing(in) + "WRITE ABORTED\n");
    }
}

TEST(ProxyCreate3D, InputThatCannotBeOpened) {
    const std::string dir = hbxtest::makeScratchDir();
    for (const std::string& in : {dir + "/missing.obj", dir}) {
        const std::string out = dir + "/out.hbx3";
        const auto r = runTool(hbxtest::tool3d(), {"PX", in, out});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, kHead + "Error: Couldn't stat \"" + in + "\"\nFail\n\n");
        EXPECT_EQ(readFile(out), "WRITE ABORTED\n");
    }
}

TEST(ProxyCreate3D, OutputThatCannotBeCreated) {
    const std::string dir = hbxtest::makeScratchDir();
    writeFile(dir + "/in.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    const std::string out = dir + "/no/such/dir.hbx3";
    const auto r = runTool(hbxtest::tool3d(), {"PX", dir + "/in.obj", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kHead + "Error: Couldn't create outfile\nFail\n\n");
    EXPECT_FALSE(hbxtest::fileExists(out));
}

TEST(ProxyCreate3D, SameFileIsLeftAlone) {
    const std::string dir = hbxtest::makeScratchDir();
    const std::string mesh = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    writeFile(dir + "/in.obj", mesh);
    const auto r = runTool(hbxtest::tool3d(), {"PX", dir + "/in.obj", dir + "/./in.obj"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kHead + "Error: Input and output are the same file\nFail\n\n");
    EXPECT_EQ(readFile(dir + "/in.obj"), mesh);
}

TEST(ProxyCreate3D, InteractiveFailureEndsAborted) {
    const std::string dir = hbxtest::makeScratchDir();
    writeFile(dir + "/in.obj", "v 0 0 0\nf 1 1 1 1\nf 1 2 1\n");
    const auto r = runTool(hbxtest::tool3d(), {}, "PX\nC\nin.obj\nout.hbx3\n", {}, dir);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(readFile(dir + "/out.hbx3"), framing("in.obj") + "WRITE ABORTED\n");
    const std::string tail =
        "WARNING: Face 0 not a triangle\nError: Face 1 refers to a missing vertex\nFail\n\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
}

// Small meshes made for these tests, each with a golden file (the stamp
// line masked). The console text is checked too.
struct GoldenCase {
    const char* mesh;
    const char* console; // between the driver's lines
};

const GoldenCase kGolden[] = {
    {"triangle", ""},
    {"square", ""},
    {"tetrahedron", ""},
    {"dented_box", ""},
    {"fin", "WARNING: Vertex 0 has more than 2 open edges\nWARNING: Vertex 1 has more than 2 open "
            "edges\n"},
    {"mixed_tokens", "WARNING: Face 0 not a triangle\nWARNING: Face 1 not a triangle\n"},
};

std::string sourceDir() {
    return HBX_PROXY3D_TEST_DIR;
}

TEST(ProxyCreate3D, GoldenFilesInArgumentMode) {
    const std::string dir = hbxtest::makeScratchDir();
    for (const GoldenCase& c : kGolden) {
        SCOPED_TRACE(c.mesh);
        // The origin line holds the path as given: run from the mesh folder.
        const std::string in = std::string(c.mesh) + ".obj", out = dir + "/" + c.mesh + ".hbx3";
        const auto r = runTool(hbxtest::tool3d(), {"PX", in, out}, "", {}, sourceDir() + "/meshes");
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, kHead + c.console + "Complete\n\n");
        EXPECT_EQ(hbxtest::maskStamp(readFile(out)),
                  readFile(sourceDir() + "/golden/" + c.mesh + ".hbx3"));
    }
}

TEST(ProxyCreate3D, InteractiveModeWritesTheSameFile) {
    const std::string dir = hbxtest::makeScratchDir();
    const auto r = runTool(hbxtest::tool3d(), {}, "PX\nC\ntetrahedron.obj\n" + dir + "/t.hbx3\n",
                           {}, sourceDir() + "/meshes");
    EXPECT_EQ(r.exitCode, 0);
    const std::string tail = "Complete\n\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_EQ(hbxtest::maskStamp(readFile(dir + "/t.hbx3")),
              readFile(sourceDir() + "/golden/tetrahedron.hbx3"));
}

} // namespace
