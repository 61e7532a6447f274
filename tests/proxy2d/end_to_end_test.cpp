// makeHBX2 PX, in argument mode and interactively: whole files against golden
// files, and every failure with its console output and the file it leaves.
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using hbxtest::fileExists;
using hbxtest::maskStamp;
using hbxtest::readFile;
using hbxtest::runTool;
using hbxtest::tool2d;
using hbxtest::writeFile;

const std::string kMeshes = HBX2_TEST_MESHES;
const std::string kGolden = HBX2_TEST_GOLDEN;

const std::string kFraming = "#===========================================================#\n"
                             "#======================Shape File 2D========================#\n"
                             "#===========shapes define how objects collide===============#\n"
                             "#===========================================================#\n"
                             "\n";

std::string framingFor(const std::string& input) {
    return kFraming + "origin " + input + "\ntype PX\n\n*start\n";
}

// Golden files hold the whole expected file for each of these meshes: the
// square and rectangle with their negative-zero normals and safe points, the
// fan with its inner vertex left out, the L and U with their reflex corners,
// the ring with its hole, the hook split once.
TEST(EndToEnd2D, WholeFilesMatchGoldenFiles) {
    for (const char* name : {"square", "rectangle", "fan", "L", "U", "ring", "hook"}) {
        const std::string dir = hbxtest::makeScratchDir();
        const std::string out = dir + "/" + name + ".hbx2";
        const auto run =
            runTool(tool2d(), {"PX", std::string(name) + ".obj", out}, "", {}, kMeshes);
        EXPECT_EQ(run.exitCode, 0) << name;
        const std::string note = std::string(name) == "hook" ? "NOTE: Allergies found\n" : "";
        EXPECT_EQ(run.out, "Making shape type: PX\n" + note + "Complete\n\n") << name;
        EXPECT_EQ(maskStamp(readFile(out)), readFile(kGolden + "/" + name + ".hbx2")) << name;
    }
}

TEST(EndToEnd2D, InteractiveModeWritesTheSameFile) {
    const std::string dir = hbxtest::makeScratchDir();
    const std::string out = dir + "/hook.hbx2";
    const auto run = runTool(tool2d(), {}, "PX\nC\nhook.obj\n" + out + "\n", {}, kMeshes);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("NOTE: Allergies found\nComplete\n\n"), std::string::npos) << run.out;
    EXPECT_EQ(maskStamp(readFile(out)), readFile(kGolden + "/hook.hbx2"));
}

TEST(EndToEnd2D, EmptyInputWritesOnlyTheCentreLine) {
    const std::string dir = hbxtest::makeScratchDir();
    writeFile(dir + "/empty.obj", "");
    const auto run = runTool(tool2d(), {"PX", dir + "/empty.obj", dir + "/out.hbx2"});
    EXPECT_EQ(run.exitCode, 0);
    const std::string file = readFile(dir + "/out.hbx2");
    const std::string records = "*start\ncentre 0.000000 0.000000\n*end\n\n";
    EXPECT_NE(file.find(records), std::string::npos) << file;
}

struct FailureCase {
    const char* name;
    std::string obj;     // input content
    std::string message; // printed between the mode line and "Fail"
};

// Reading failures: the message, then an aborted file with its framing.
TEST(EndToEnd2D, ReadingFailuresLeaveAbortedFiles) {
    const std::vector<FailureCase> cases = {
        {"index 0", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 0 3\n",
         "Error: Face 1 refers to a missing vertex\n"},
        {"index past the end", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n",
         "Error: Face 0 refers to a missing vertex\n"},
        {"negative index before the vertices", "v 0 0 0\nf -1 -2 -1\nv 1 0 0\n",
         "Error: Face 0 refers to a missing vertex\n"},
        {"first corner without a number", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf x 2 3\n",
         "Error: Face 0 has a malformed corner\n"},
        {"nan coordinate", "v 0 0 0\nv nan 0 0\nv 0 1 0\nf 1 2 3\n",
         "Error: Vertex 1 is out of range\n"},
        {"huge coordinate", "v 0 0 0\nv 1 0 0\nv 0 -1e18 0\nf 1 2 3\n",
         "Error: Vertex 2 is out of range\n"},
        {"first offending line decides", "v 0 0 0\nv 1 0 0\nf 1 2 9\nv inf 0 0\n",
         "Error: Face 0 refers to a missing vertex\n"},
    };
    for (const FailureCase& c : cases) {
        const std::string dir = hbxtest::makeScratchDir();
        const std::string in = dir + "/in.obj", out = dir + "/out.hbx2";
        writeFile(in, c.obj);
        const auto run = runTool(tool2d(), {"PX", in, out});
        EXPECT_EQ(run.exitCode, 1) << c.name;
        EXPECT_EQ(run.out, "Making shape type: PX\n" + c.message + "Fail\n\n") << c.name;
        EXPECT_EQ(readFile(out), framingFor(in) + "WRITE ABORTED\n") << c.name;
    }
}

TEST(EndToEnd2D, MissingOrDirectoryInputLeavesOnlyTheAbortLine) {
    const std::string dir = hbxtest::makeScratchDir();
    for (const std::string& in : {dir + "/missing.obj", dir}) {
        const std::string out = dir + "/out.hbx2";
        const auto run = runTool(tool2d(), {"PX", in, out});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "Making shape type: PX\nError: Couldn't stat \"" + in + "\"\nFail\n\n");
        EXPECT_EQ(readFile(out), "WRITE ABORTED\n");
    }
}

TEST(EndToEnd2D, SameFileAndUncreatableOutputWriteNothing) {
    const std::string dir = hbxtest::makeScratchDir();
    const std::string in = dir + "/in.obj";
    const std::string mesh = readFile(kMeshes + "/square.obj");
    writeFile(in, mesh);
    auto run = runTool(tool2d(), {"PX", in, in});
    EXPECT_EQ(run.out,
              "Making shape type: PX\nError: Input and output are the same file\nFail\n\n");
    EXPECT_EQ(readFile(in), mesh);
    run = runTool(tool2d(), {"PX", in, dir + "/no/such/dir/out.hbx2"});
    EXPECT_EQ(run.out, "Making shape type: PX\nError: Couldn't create outfile\nFail\n\n");
    EXPECT_FALSE(fileExists(dir + "/no"));
}

} // namespace
