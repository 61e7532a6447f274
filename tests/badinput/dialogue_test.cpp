// Standard input that ends at each prompt of the interactive dialogue, in
// both tools: an answer cut short is empty text, a number that never comes
// is refused, and the run ends with its message, "Fail" and status 1.
#include "tests/badinput/catalogue.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <set>
#include <string>

namespace {

const std::string kShape3 = "Specify 3D shape type to make:\n [SP : sphere]\n [PX : proxy]\t\t\t";
const std::string kShape2 = "Specify 2D shape type to make:\n [CR : circle]\n [PX : proxy]\t\t\t";
const std::string kMethod = "Specify generation method:\n [S : make empty shell]\n"
                            " [M : construct manually]\n [C : create from file]\t\t";
const std::string kIn = "Specify input filename:\t\t";
const std::string kOut = "Specify output filename:\t";
const std::string kMesh = "v 1 2 3\nv -1 -2 -3\n";

std::set<std::string> entries(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

struct CutCase {
    bool threeD;
    std::string stdinText;
    std::string console; // after the shape prompt
    std::string outName; // the file the run leaves ("" : none at all)
    std::string outFile; // its content
};

std::string framing3(const std::string& origin, const std::string& code) {
    return badinput::framing(badinput::Writer{"", true, code.c_str(), false}, origin);
}
std::string framing2(const std::string& origin, const std::string& code) {
    return badinput::framing(badinput::Writer{"", false, code.c_str(), false}, origin);
}

TEST(CutDialogue, EveryPromptCanMeetTheEndOfInput) {
    const std::string noNumber = "Error: Expected a number\nFail\n\n";
    const CutCase cases[] = {
        // Shape and method answers cut short: empty, refused after all prompts.
        {true, "", kMethod + kOut + "Unrecognised option \"\"\n", "", ""},
        {true, "SP\n", kMethod + kOut + "Unrecognised option \"\"\n", "", ""},
        {true, "SP", kMethod + kOut + "Unrecognised option \"\"\n", "", ""},
        {true, "S", kMethod + kOut + "Unrecognised option \"S\"\n", "", ""},
        {false, "", kMethod + kOut + "Unrecognised option \"\"\n", "", ""},
        {false, "CR\n", kMethod + kOut + "Unrecognised option \"\"\n", "", ""},
        // File names cut short: empty names, or the last character dropped.
        {true, "SP\nC\n", kMethod + kIn + kOut + "Error: Couldn't stat \"\"Fail\n\n", "", ""},
        {true, "SP\nC\nin.obj\n", kMethod + kIn + kOut + "Error: Couldn't create outfileFail\n\n",
         "", ""},
        {true, "SP\nC\nin.obj", kMethod + kIn + kOut + "Error: Couldn't stat \"in.ob\"Fail\n\n", "",
         ""},
        {true, "PX\nC\nin.obj\n", kMethod + kIn + kOut + "Error: Couldn't create outfile\nFail\n\n",
         "", ""},
        {true, "PX\nM\n", kMethod + kOut + "Error: Couldn't create outfile\nFail\n\n", "", ""},
        {false, "CR\nC\n", kMethod + kIn + kOut + "Error: Couldn't stat \"\"\nFail\n\n", "", ""},
        {false, "PX\nC\nin.obj\n",
         kMethod + kIn + kOut + "Error: Couldn't create outfile\nFail\n\n", "", ""},
        {false, "PX\nS\n", kMethod + kOut + "Error: Couldn't create outfile\nFail\n\n", "", ""},
        // Manual values that never come: the file keeps what was written.
        {true, "SP\nM\nout\n", kMethod + kOut + "Enter Radius: " + noNumber, "out",
         framing3("Manual", "SP")},
        {true, "SP\nM\nout\n1\n", kMethod + kOut + "Enter Radius: Enter X Centre: " + noNumber,
         "out", framing3("Manual", "SP") + "radius 1.000000\n"},
        {true, "SP\nM\nout\n1 2\n",
         kMethod + kOut + "Enter Radius: Enter X Centre: Enter Y Centre: " + noNumber, "out",
         framing3("Manual", "SP") + "radius 1.000000\n"},
        {true, "SP\nM\nout\n1 2 3",
         kMethod + kOut +
             "Enter Radius: Enter X Centre: Enter Y Centre: Enter Z Centre: " + noNumber,
         "out", framing3("Manual", "SP") + "radius 1.000000\n"},
        {false, "cr\nm\nout\n", kMethod + kOut + "Enter Radius: " + noNumber, "out",
         framing2("Manual", "CR")},
        {false, "cr\nm\nout\n1 2",
         kMethod + kOut + "Enter Radius: Enter X Centre: Enter Y Centre: " + noNumber, "out",
         framing2("Manual", "CR") + "radius 1.000000\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.threeD ? "3D: \"" : "2D: \"") + c.stdinText + "\"");
        const std::string dir = hbxtest::makeScratchDir();
        hbxtest::writeFile(dir + "/in.obj", kMesh);
        const auto r = hbxtest::runTool(c.threeD ? hbxtest::tool3d() : hbxtest::tool2d(), {},
                                        c.stdinText, {}, dir);
        EXPECT_EQ(r.out, (c.threeD ? kShape3 : kShape2) + c.console);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "");
        std::set<std::string> expected{".", "..", "in.obj"};
        if (!c.outName.empty()) expected.insert(c.outName);
        EXPECT_EQ(entries(dir), expected);
        if (!c.outName.empty()) {
            EXPECT_EQ(hbxtest::readFile(dir + "/" + c.outName), c.outFile);
        }
        EXPECT_EQ(hbxtest::readFile(dir + "/in.obj"), kMesh);
    }
}

// A name cut by the end of input still works when what is left names a
// file: the last character read is dropped whatever it is.
TEST(CutDialogue, ANameWithoutLineFeedLosesItsLastCharacter) {
    const std::string dir = hbxtest::makeScratchDir();
    const auto r = hbxtest::runTool(hbxtest::tool2d(), {}, "PX\nS\nshape.hbx2", {}, dir);
    EXPECT_EQ(r.out, kShape2 + kMethod + kOut + "Complete\n\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(hbxtest::fileExists(dir + "/shape.hbx"));
    EXPECT_FALSE(hbxtest::fileExists(dir + "/shape.hbx2"));
}

} // namespace
