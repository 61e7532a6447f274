// The driver of both tools, run as a user runs it: modes, prompts, dispatch,
// refusals and exit status.
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using hbxtest::runTool;

const std::string kPrompt3 = "Specify 3D shape type to make:\n [SP : sphere]\n [PX : proxy]\t\t\t";
const std::string kPrompt2 = "Specify 2D shape type to make:\n [CR : circle]\n [PX : proxy]\t\t\t";
const std::string kMethod = "Specify generation method:\n [S : make empty shell]\n"
                            " [M : construct manually]\n [C : create from file]\t\t";
const std::string kIn = "Specify input filename:\t\t";
const std::string kOut = "Specify output filename:\t";

struct ArgCase {
    bool threeD;
    std::vector<std::string> args;
    std::string out;
};

TEST(Driver, WrongArgumentCountsAndUnknownCodesPrintUsage) {
    const ArgCase cases[] = {
        {true, {"SP"}, "Usage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx>\n"},
        {true, {"SP", "a"}, "Usage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx>\n"},
        {true, {"SP", "a", "b", "c"}, "Usage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx>\n"},
        {false, {"CR", "a"}, "Usage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>\n"},
        {false, {"CR", "a", "b", "c"}, "Usage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>\n"},
        {true,
         {"sp", "a", "b"},
         "Making shape type: sp\nCreating... \nUsage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx3>\n"},
        {true,
         {"px", "a", "b"},
         "Making shape type: px\nCreating... \nUsage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx3>\n"},
        {true,
         {"CR", "a", "b"},
         "Making shape type: CR\nCreating... \nUsage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx3>\n"},
        {false,
         {"cr", "a", "b"},
         "Making shape type: cr\nUsage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>\n"},
        {false,
         {"SP", "a", "b"},
         "Making shape type: SP\nUsage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>\n"},
        {false,
         {"CRX", "a", "b"},
         "Making shape type: CRX\nUsage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>\n"},
    };
    for (const auto& c : cases) {
        const std::string dir = hbxtest::makeScratchDir();
        const auto r =
            runTool(c.threeD ? hbxtest::tool3d() : hbxtest::tool2d(), c.args, "", {}, dir);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(hbxtest::fileExists(dir + "/b")); // no file touched
    }
}

struct DialogueCase {
    bool threeD;
    std::string input;    // standard input
    std::string expected; // standard output after the shape and method prompts
    int exitCode;
};

const std::string kNulBetweenQuotes = std::string("Unrecognised option \"\0\"\n", 24);

TEST(Driver, InteractiveRefusalsComeAfterAllPrompts) {
    const DialogueCase cases[] = {
        // Unknown code: every prompt is answered first, no file is touched.
        {true, "XX\nS\nout\n", kOut + "Unrecognised option \"XX\"\n", 1},
        // Mixed case codes are never accepted.
        {true, "Sp\nS\nout\n", kOut + "Unrecognised option \"Sp\"\n", 1},
        {false, "pX\nS\nout\n", kOut + "Unrecognised option \"pX\"\n", 1},
        // The 2D tool knows no sphere.
        {false, "SP\nS\nout\n", kOut + "Unrecognised option \"SP\"\n", 1},
        // Method x with a valid code.
        {true, "SP\nx\nout\n", kOut + "Unrecognised option \"x\"\n", 1},
        // Both wrong: only the code is reported.
        {false, "QQ\nq\nout\n", kOut + "Unrecognised option \"QQ\"\n", 1},
        // A one-letter code keeps its line feed; the discarded character is
        // the first of the next answer, whose line feed becomes the method.
        {true, "S\nM\nout\n", kOut + "Unrecognised option \"S\n\"\n", 1},
        // Input ends before the answers: empty texts, never a NUL byte.
        {true, "", kOut + "Unrecognised option \"\"\n", 1},
        {true, "SP\n", kOut + "Unrecognised option \"\"\n", 1},
        {false, "PX\n", kOut + "Unrecognised option \"\"\n", 1},
        // A NUL byte answered as the method is printed as the character it is;
        // a NUL in the code ends it, as a C string does.
        {true, std::string("SP\n\0\nout\n", 9), kOut + kNulBetweenQuotes, 1},
        {false, std::string("PX\n\0\nout\n", 9), kOut + kNulBetweenQuotes, 1},
        {true, std::string("\0P\nS\nout\n", 9), kOut + "Unrecognised option \"\"\n", 1},
    };
    for (const auto& c : cases) {
        const std::string dir = hbxtest::makeScratchDir();
        const auto r =
            runTool(c.threeD ? hbxtest::tool3d() : hbxtest::tool2d(), {}, c.input, {}, dir);
        EXPECT_EQ(r.out, (c.threeD ? kPrompt3 : kPrompt2) + kMethod + c.expected) << c.input;
        EXPECT_EQ(r.exitCode, c.exitCode) << c.input;
        EXPECT_FALSE(hbxtest::fileExists(dir + "/out")) << c.input;
    }
}

TEST(Driver, AcceptsBothCasesOfEveryCodeAndMethodInteractively) {
    const char* codes3[] = {"SP", "sp", "PX", "px"};
    const char* codes2[] = {"CR", "cr", "PX", "px"};
    for (bool threeD : {true, false}) {
        for (const char* code : threeD ? codes3 : codes2) {
            for (const char* method : {"S", "s"}) {
                const std::string dir = hbxtest::makeScratchDir();
                const auto r = runTool(threeD ? hbxtest::tool3d() : hbxtest::tool2d(), {},
                                       std::string(code) + "\n" + method + "\nshape\n", {}, dir);
                EXPECT_EQ(r.exitCode, 0) << code << method;
                EXPECT_EQ(r.out, (threeD ? kPrompt3 : kPrompt2) + kMethod + kOut + "Complete\n\n");
                const std::string file = hbxtest::readFile(dir + "/shape");
                const bool proxy = std::string(code) == "PX" || std::string(code) == "px";
                const std::string type = proxy ? "PX" : (threeD ? "SP" : "CR");
                EXPECT_NE(file.find("type " + type + "\n\n*start\n"), std::string::npos);
            }
        }
    }
}

TEST(Driver, CreateFromFileAsksForTheInputName) {
    const std::string dir = hbxtest::makeScratchDir();
    hbxtest::writeFile(dir + "/in.obj", "v 1 1\nv 3 5\n");
    const auto r = runTool(hbxtest::tool2d(), {}, "cr\nc\nin.obj\nout.hbx2\n", {}, dir);
    EXPECT_EQ(r.out, kPrompt2 + kMethod + kIn + kOut + "Complete\n\n");
    EXPECT_EQ(r.exitCode, 0);
    const std::string file = hbxtest::readFile(dir + "/out.hbx2");
    EXPECT_NE(
        file.find("origin in.obj\ntype CR\n\n*start\nradius 2.236068\ncentre 2.000000 3.000000\n"),
        std::string::npos);
}

TEST(Driver, LongFileNamesKeep253Characters) {
    const std::string dir = hbxtest::makeScratchDir();
    // 254 characters and a line feed: 253 are kept, the 254th is removed in
    // place of the line feed, and the line feed answers the next prompt.
    const std::string name254(254, 'a');
    const auto r = runTool(hbxtest::tool3d(), {}, "SP\nS\n" + name254 + "\n", {}, dir);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(hbxtest::fileExists(dir + "/" + std::string(253, 'a')));

    // With "C" the rest of a long input name becomes the output name.
    const std::string dir2 = hbxtest::makeScratchDir();
    hbxtest::writeFile(dir2 + "/" + std::string(253, 'b'), "v 0 0 0\n");
    const auto r2 =
        runTool(hbxtest::tool3d(), {}, "SP\nC\n" + std::string(253, 'b') + "Xout.hbx3\n", {}, dir2);
    EXPECT_EQ(r2.exitCode, 0) << r2.out;
    EXPECT_TRUE(hbxtest::fileExists(dir2 + "/out.hbx3"));
}

TEST(Driver, EmptyOutputNameFailsToCreateTheFile) {
    const auto r3 = runTool(hbxtest::tool3d(), {}, "SP\nS\n\n");
    EXPECT_EQ(r3.out, kPrompt3 + kMethod + kOut + "Error: Couldn't create outfileFail\n\n");
    EXPECT_EQ(r3.exitCode, 1);
    const auto r2 = runTool(hbxtest::tool2d(), {}, "CR\nM\n\n");
    EXPECT_EQ(r2.out, kPrompt2 + kMethod + kOut + "Error: Couldn't create outfile\nFail\n\n");
    EXPECT_EQ(r2.exitCode, 1);
}

} // namespace
