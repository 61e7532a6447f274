// Every writer of the analytic shapes and the proxy templates, end to end:
// the bytes of the file, the console, the exit status, and every failure.
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <string>

namespace {

using hbxtest::readFile;
using hbxtest::runTool;
using hbxtest::writeFile;

const std::string kDialogue3 = "Specify 3D shape type to make:\n [SP : sphere]\n [PX : proxy]\t\t\t"
                               "Specify generation method:\n [S : make empty shell]\n"
                               " [M : construct manually]\n [C : create from file]\t\t"
                               "Specify output filename:\t";
const std::string kDialogue2 = "Specify 2D shape type to make:\n [CR : circle]\n [PX : proxy]\t\t\t"
                               "Specify generation method:\n [S : make empty shell]\n"
                               " [M : construct manually]\n [C : create from file]\t\t"
                               "Specify output filename:\t";

std::string golden(const std::string& name) {
    return readFile(std::string(HBX_GOLDEN_DIR) + "/" + name);
}

// Records between "*start\n" and "*end\n".
std::string records(const std::string& file) {
    const auto a = file.find("*start\n");
    const auto b = file.find("*end\n");
    if (a == std::string::npos || b == std::string::npos) return "<no record section>";
    return file.substr(a + 7, b - a - 7);
}

struct GoldenCase {
    bool threeD;
    std::string answers;
    std::string goldenFile;
    std::string console; // after the dialogue
};

TEST(Writers, ShellAndRefusalFilesMatchTheirGoldenFiles) {
    const std::string refusal3 =
        "\nYou want to create a 3D proxy collision shape by hand?\n"
        "I appreciate your enthusiasm, but dude, that just never going to work.\n\n";
    const std::string refusal2 =
        "\nYou want to make a proxy collision shape by hand?\n"
        "I appreciate your enthusiasm, but I seriously don't recomend it.\n\n";
    const GoldenCase cases[] = {
        {true, "SP\nS\nout\n", "sphere_shell.hbx3", "Complete\n\n"},
        {true, "PX\nS\nout\n", "proxy_shell.hbx3", "Complete\n\n"},
        {true, "px\nm\nout\n", "proxy_manual.hbx3", refusal3 + "Complete\n\n"},
        {false, "CR\nS\nout\n", "circle_shell.hbx2", "Complete\n\n"},
        {false, "PX\nS\nout\n", "proxy_shell.hbx2", "Complete\n\n"},
        {false, "PX\nM\nout\n", "proxy_manual.hbx2", refusal2 + "Complete\n\n"},
    };
    for (const auto& c : cases) {
        const std::string dir = hbxtest::makeScratchDir();
        const auto r =
            runTool(c.threeD ? hbxtest::tool3d() : hbxtest::tool2d(), {}, c.answers, {}, dir);
        EXPECT_EQ(r.out, (c.threeD ? kDialogue3 : kDialogue2) + c.console) << c.goldenFile;
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(hbxtest::maskStamp(readFile(dir + "/out")), golden(c.goldenFile)) << c.goldenFile;
    }
}

TEST(Writers, ProxyShellLinesHaveTheirFixedLengths) {
    const std::string dir = hbxtest::makeScratchDir();
    runTool(hbxtest::tool3d(), {}, "PX\nS\nout\n", {}, dir);
    const std::string rec = records(readFile(dir + "/out"));
    std::vector<size_t> lengths;
    for (size_t a = 0, b; (b = rec.find('\n', a)) != std::string::npos; a = b + 1)
        lengths.push_back(b - a + 1);
    EXPECT_EQ(lengths, (std::vector<size_t>{63, 109, 398, 64}));

    runTool(hbxtest::tool2d(), {}, "PX\nS\nout\n", {}, dir);
    const std::string rec2 = records(readFile(dir + "/out"));
    lengths.clear();
    for (size_t a = 0, b; (b = rec2.find('\n', a)) != std::string::npos; a = b + 1)
        lengths.push_back(b - a + 1);
    EXPECT_EQ(lengths, (std::vector<size_t>{81, 125, 45}));
}

TEST(Writers, FootersHaveFiveLinesIn3DAndFourIn2DStampedInLocalTime) {
    for (const char* tz : {"UTC0", "ABC-14"}) {
        const std::string dir = hbxtest::makeScratchDir();
        const std::time_t before = std::time(nullptr);
        runTool(hbxtest::tool3d(), {}, "SP\nS\nout3\n", {std::string("TZ=") + tz}, dir);
        runTool(hbxtest::tool2d(), {}, "CR\nS\nout2\n", {std::string("TZ=") + tz}, dir);
        for (const char* name : {"out3", "out2"}) {
            const std::string file = readFile(dir + "/" + name);
            const auto end = file.find("*end\n\n");
            ASSERT_NE(end, std::string::npos);
            const std::string footer = file.substr(end + 6);
            const bool three = std::string(name) == "out3";
            EXPECT_EQ(footer.size(), three ? 5u * 62 : 4u * 62);
            std::smatch m;
            const std::regex stamp("generated at ([0-9]{2}):([0-9]{2}):([0-9]{2}) on "
                                   "([0-9]{2}):([0-9]{2}):([0-9]{4})");
            ASSERT_TRUE(std::regex_search(footer, m, stamp));
            // The stamp is UTC shifted by the zone's offset (0 or +14 hours).
            const std::time_t shifted = before + (std::string(tz) == "UTC0" ? 0 : 14 * 3600);
            std::tm expect{};
            gmtime_r(&shifted, &expect);
            EXPECT_EQ(std::stoi(m[1]), expect.tm_hour) << tz;
            EXPECT_EQ(std::stoi(m[4]), expect.tm_mday) << tz;
            EXPECT_EQ(std::stoi(m[5]), expect.tm_mon + 1) << tz;
            EXPECT_EQ(std::stoi(m[6]), expect.tm_year + 1900) << tz;
        }
    }
}

TEST(Writers, ManualEntryWritesTheTypedValues) {
    const std::string dir = hbxtest::makeScratchDir();
    auto r = runTool(hbxtest::tool3d(), {}, "sp\nm\nout\n 2.5\n-1\n\n0.1 1e-7\n", {}, dir);
    EXPECT_EQ(r.out,
              kDialogue3 +
                  "Enter Radius: Enter X Centre: Enter Y Centre: Enter Z Centre: Complete\n\n");
    EXPECT_EQ(records(readFile(dir + "/out")),
              "radius 2.500000\ncentre -1.000000 0.100000 0.000000\n");
    EXPECT_NE(readFile(dir + "/out").find("origin Manual\ntype SP\n\n"), std::string::npos);

    r = runTool(hbxtest::tool2d(), {}, "CR\nM\nout\n-0 3 -4\n", {}, dir);
    EXPECT_EQ(r.out, kDialogue2 + "Enter Radius: Enter X Centre: Enter Y Centre: Complete\n\n");
    EXPECT_EQ(records(readFile(dir + "/out")), "radius -0.000000\ncentre 3.000000 -4.000000\n");
}

TEST(Writers, ManualEntryRefusesAnswersThatAreNotNumbers) {
    const std::string dir = hbxtest::makeScratchDir();
    // Not a number at the radius: the file keeps its framing only.
    auto r = runTool(hbxtest::tool3d(), {}, "SP\nM\nout\nbig\n", {}, dir);
    EXPECT_EQ(r.out, kDialogue3 + "Enter Radius: Error: Expected a number\nFail\n\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(records(readFile(dir + "/out")), "<no record section>");
    // Input ends at the y centre: the radius line was already written.
    r = runTool(hbxtest::tool2d(), {}, "CR\nM\nout\n1 2", {}, dir);
    EXPECT_EQ(
        r.out,
        kDialogue2 +
            "Enter Radius: Enter X Centre: Enter Y Centre: Error: Expected a number\nFail\n\n");
    EXPECT_EQ(r.exitCode, 1);
    const std::string file = readFile(dir + "/out");
    EXPECT_EQ(file.substr(file.size() - 23), "*start\nradius 1.000000\n");
}

struct FitCase {
    const char* obj;
    const char* sphere; // records of the sphere fit
    const char* circle; // records of the circle fit
};

TEST(Writers, FitsFollowTheBoundingBoxCentreAndMeanDistance) {
    const FitCase cases[] = {
        {"v 0 0 0\nv 2 0 0\nv 0 2 0\nv 0 0 2\n",
         "radius 1.732051\ncentre 1.000000 1.000000 1.000000\n",
         "radius 1.414214\ncentre 1.000000 1.000000\n"},
        // Sums of exactly zero skip the halving: radius five thirds.
        {"v 0 0 0\nv 4 0 0\nv 1 0 0", "radius 1.666667\ncentre 2.000000 0.000000 0.000000\n",
         "radius 1.666667\ncentre 2.000000 0.000000\n"},
        // A negative zero sum stays negative zero.
        {"v -0 -0 -0\n", "radius 0.000000\ncentre -0.000000 -0.000000 -0.000000\n",
         "radius 0.000000\ncentre -0.000000 -0.000000\n"},
        // Half-sum inside the snap window.
        {"v 1 0 0\nv -0.99985 0 0\n", "radius 0.999925\ncentre 0.000000 0.000000 0.000000\n",
         "radius 0.999925\ncentre 0.000000 0.000000\n"},
        // The float nearest 0.0001 lies just inside the window; 0.0001 itself
        // would print as 0.000100.
        {"v 0.0002 0 0\nv 0 0 0\n", "radius 0.000100\ncentre 0.000000 0.000000 0.000000\n",
         "radius 0.000100\ncentre 0.000000 0.000000\n"},
        // No vertex line at all.
        {"# nothing\nvn 1 2 3\n", "radius 0.000000\ncentre 0.000000 0.000000 0.000000\n",
         "radius 0.000000\ncentre 0.000000 0.000000\n"},
        // Only "v" and a space makes a vertex line; vn/vt values don't count.
        {"v -1 -1 0\nv 1 1 0\nvn 100 100 100\nvt 50 50\nv\t9 9 9\n v 9 9 9\nf 1 2\n",
         "radius 1.414214\ncentre 0.000000 0.000000 0.000000\n",
         "radius 1.414214\ncentre 0.000000 0.000000\n"},
        // The circle ignores z.
        {"v 0 0 5\nv 2 0 -5\nv 0 2 0\n", "radius 3.935506\ncentre 1.000000 1.000000 0.000000\n",
         "radius 1.414214\ncentre 1.000000 1.000000\n"},
        // Reading stops at the first number that cannot be read.
        {"v 1 abc 3\nv 3 2 1\n", "radius 1.500000\ncentre 2.000000 1.000000 0.500000\n",
         "radius 1.414214\ncentre 2.000000 1.000000\n"},
    };
    for (const auto& c : cases) {
        const std::string dir = hbxtest::makeScratchDir();
        writeFile(dir + "/in.obj", c.obj);
        auto r = runTool(hbxtest::tool3d(), {"SP", "in.obj", "out.hbx3"}, "", {}, dir);
        EXPECT_EQ(r.out, "Making shape type: SP\nCreating... \nComplete\n\n");
        EXPECT_EQ(records(readFile(dir + "/out.hbx3")), c.sphere) << c.obj;
        r = runTool(hbxtest::tool2d(), {"CR", "in.obj", "out.hbx2"}, "", {}, dir);
        EXPECT_EQ(r.out, "Making shape type: CR\nComplete\n\n");
        EXPECT_EQ(records(readFile(dir + "/out.hbx2")), c.circle) << c.obj;
    }
}

TEST(Writers, FitOriginCarriesThePathUnchanged) {
    const std::string dir = hbxtest::makeScratchDir();
    writeFile(dir + "/my mesh.obj", "v 1 2 3\n");
    runTool(hbxtest::tool3d(), {"SP", "my mesh.obj", "o"}, "", {}, dir);
    EXPECT_NE(readFile(dir + "/o").find("\norigin my mesh.obj\ntype SP\n"), std::string::npos);
}

struct FailCase {
    bool threeD;
    std::vector<std::string> args; // argument mode when not empty
    std::string answers;           // interactive otherwise
    std::string console;           // after "Making shape type"/dialogue
};

TEST(Writers, OpenAndWriteFailuresEndWithTheirMessagesAndFail) {
    const std::string missing = "no/such/dir/out";
    const FailCase cases[] = {
        {true, {}, "SP\nS\n" + missing + "\n", "Error: Couldn't create outfileFail\n\n"},
        {true, {}, "SP\nM\n" + missing + "\n", "Error: Couldn't create outfile\nFail\n\n"},
        {true, {}, "PX\nS\n" + missing + "\n", "Error: Couldn't create outfileFail\n\n"},
        {true, {}, "PX\nM\n" + missing + "\n", "Error: Couldn't create outfile\nFail\n\n"},
        {true, {"SP", "in.obj", missing}, "", "Error: Couldn't create outfileFail\n\n"},
        {true, {"SP", "none.obj", "out"}, "", "Error: Couldn't stat \"none.obj\"Fail\n\n"},
        {true, {"SP", ".", "out"}, "", "Error: Couldn't stat \".\"Fail\n\n"},
        {false, {}, "CR\nS\n" + missing + "\n", "Error: Couldn't create outfile\nFail\n\n"},
        {false, {}, "CR\nM\n" + missing + "\n", "Error: Couldn't create outfile\nFail\n\n"},
        {false, {}, "PX\nS\n" + missing + "\n", "Error: Couldn't create outfile\nFail\n\n"},
        {false, {}, "PX\nM\n" + missing + "\n", "Error: Couldn't create outfile\nFail\n\n"},
        {false, {"CR", "in.obj", missing}, "", "Error: Couldn't create outfile\nFail\n\n"},
        {false, {"CR", "none.obj", "out"}, "", "Error: Couldn't stat \"none.obj\"\nFail\n\n"},
        {false, {"CR", ".", "out"}, "", "Error: Couldn't stat \".\"\nFail\n\n"},
        // A full disk is never reported as success.
        {true, {}, "SP\nS\n/dev/full\n", "Error: Couldn't write outfile\nFail\n\n"},
        {true,
         {},
         "PX\nM\n/dev/full\n",
         "\nYou want to create a 3D proxy collision shape by hand?\n"
         "I appreciate your enthusiasm, but dude, that just never going to work.\n\n"
         "Error: Couldn't write outfile\nFail\n\n"},
        {false, {}, "PX\nS\n/dev/full\n", "Error: Couldn't write outfile\nFail\n\n"},
        {true, {"SP", "in.obj", "/dev/full"}, "", "Error: Couldn't write outfile\nFail\n\n"},
        {false, {"CR", "in.obj", "/dev/full"}, "", "Error: Couldn't write outfile\nFail\n\n"},
        // Input and output naming one file: refused, the input survives.
        {true,
         {"SP", "in.obj", "./in.obj"},
         "",
         "Error: Input and output are the same file\nFail\n\n"},
        {false,
         {"CR", "in.obj", "in.obj"},
         "",
         "Error: Input and output are the same file\nFail\n\n"},
    };
    for (const auto& c : cases) {
        const std::string dir = hbxtest::makeScratchDir();
        writeFile(dir + "/in.obj", "v 1 2 3\n");
        const auto r =
            runTool(c.threeD ? hbxtest::tool3d() : hbxtest::tool2d(), c.args, c.answers, {}, dir);
        std::string prefix;
        if (c.args.empty())
            prefix = c.threeD ? kDialogue3 : kDialogue2;
        else
            prefix = "Making shape type: " + c.args[0] + "\n" + (c.threeD ? "Creating... \n" : "");
        EXPECT_EQ(r.out, prefix + c.console) << c.answers << (c.args.empty() ? "" : c.args[1]);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(hbxtest::fileExists(dir + "/out")); // failed fits create nothing
        EXPECT_EQ(readFile(dir + "/in.obj"), "v 1 2 3\n");
    }
}

} // namespace

namespace {

TEST(Writers, AFooterThatCannotBeAppendedFailsTheRun) {
    // Limit the file size to 1024 bytes so that the shape fits but its footer
    // does not (the long "./././" path pads the origin line).
    const std::string dir = hbxtest::makeScratchDir();
    writeFile(dir + "/in.obj", "v 0 0\nv 2 4\n");
    std::string path;
    for (int i = 0; i < 300; ++i)
        path += "./";
    path += "in.obj";
    const auto r = runTool(
        "/bin/bash",
        {"-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" CR \"$1\" out", hbxtest::tool2d(), path}, "",
        {}, dir);
    EXPECT_EQ(r.out, "Making shape type: CR\nError: Couldn't write outfile\nFail\n\n");
    EXPECT_EQ(r.exitCode, 1);
    // The shape itself was written whole; only the footer was cut off.
    const std::string file = readFile(dir + "/out");
    EXPECT_EQ(file.size(), 1024u);
    EXPECT_NE(file.find("centre 1.000000 2.000000\n*end\n\n#==="), std::string::npos);
}

} // namespace

namespace {

TEST(Writers, FitsRefuseCoordinatesThatWouldPrintNanOrInf) {
    const std::string dir = hbxtest::makeScratchDir();
    writeFile(dir + "/in.obj", "v 0 0 0\nvn nan 0 0\nv 1 2 3\nv 1 inf 3\n");
    auto r = runTool(hbxtest::tool3d(), {"SP", "in.obj", "out"}, "", {}, dir);
    EXPECT_EQ(r.out,
              "Making shape type: SP\nCreating... \nError: Vertex 2 is out of range\nFail\n\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(hbxtest::fileExists(dir + "/out"));
    r = runTool(hbxtest::tool2d(), {"CR", "in.obj", "out"}, "", {}, dir);
    EXPECT_EQ(r.out, "Making shape type: CR\nError: Vertex 2 is out of range\nFail\n\n");
    EXPECT_FALSE(hbxtest::fileExists(dir + "/out"));
    // 1e38 coordinates would overflow the box sums.
    writeFile(dir + "/in.obj", "v 3e38 0 0\nv 3e38 0 0\n");
    r = runTool(hbxtest::tool2d(), {"CR", "in.obj", "out"}, "", {}, dir);
    EXPECT_EQ(r.out, "Making shape type: CR\nError: Vertex 0 is out of range\nFail\n\n");
}

} // namespace
