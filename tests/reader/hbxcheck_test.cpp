// hbxcheck, the program: good files pass, and each file of a catalogue of
// broken ones fails with the line of the broken record and why.
#include "tests/reader/shape_texts.h"
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace {

using readertest::editLine;
using readertest::golden;
using readertest::insertLine;

hbxtest::RunResult hbxcheck(const std::vector<std::string>& args) {
    return hbxtest::runTool(HBXCHECK_EXE, args);
}

TEST(Hbxcheck, PassesEveryGoldenFileAndTheExamplesTheToolsMake) {
    const std::string dir = hbxtest::makeScratchDir();
    std::vector<std::string> files;
    for (const std::string& name : readertest::allGoldens()) {
        files.push_back(dir + "/" + std::filesystem::path(name).filename().string());
        hbxtest::writeFile(files.back(), golden(name));
    }
    for (const auto& entry : std::filesystem::directory_iterator(HBX_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".obj") continue;
        const std::string stem = dir + "/" + entry.path().stem().string();
        const std::vector<std::pair<const char*, std::string>> runs = {{hbxtest::tool3d(), "PX"},
                                                                       {hbxtest::tool3d(), "SP"},
                                                                       {hbxtest::tool2d(), "PX"},
                                                                       {hbxtest::tool2d(), "CR"}};
        for (const auto& [tool, code] : runs) {
            const std::string out =
                stem + "-" + code + (tool == hbxtest::tool3d() ? ".hbx3" : ".hbx2");
            ASSERT_EQ(hbxtest::runTool(tool, {code, entry.path().string(), out}).exitCode, 0);
            files.push_back(out);
        }
    }
    const auto r = hbxcheck(files);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "");
}

struct BrokenFile {
    const char* name;
    const char* base;
    int line;                        // line edited, or inserted before when insert
    std::optional<std::string> text; // nullopt: the line removed
    bool insert;
    const char* expected; // "LINE: part of the message"
};

TEST(Hbxcheck, FailsEachBrokenFileAtTheLineOfTheBrokenRecord) {
    const char* sq3 = "proxy3d/golden/square.hbx3";
    const char* tet = "proxy3d/golden/tetrahedron.hbx3";
    const char* rect = "proxy2d/golden/rectangle.hbx2";
    const std::string face1 = "fm 1 2 3 1 -0.000000 -1.000000 -0.000000 2 0.707107 0.707107 "
                              "-0.000000 3 -1.000000 -0.000000 0.000000 ";
    const BrokenFile cases[] = {
        // Read by the reader: framing, order, numbers, indices.
        {"no footer", sq3, 24, std::nullopt, false, "24:1: missing the rule line"},
        {"record order", sq3, 20, "eh 4 3 -1.000000 0.000000 0.000000", false,
         "20:1: edge record after the face records"},
        {"vertex out of range", sq3, 14, "eh 1 9 1.000000 0.000000 0.000000", false,
         "14:6: vertex number 9 out of range"},
        {"aborted", sq3, 11, "WRITE ABORTED", false, "11:1: \"WRITE ABORTED\" after records"},
        // 3D invariants.
        {"unit vector too short", sq3, 14, "eh 1 2 0.999990 0.000000 0.000000", false,
         "14: the unit vector does not have length 1"},
        {"unit vector reversed", sq3, 14, "eh 1 2 -1.000000 0.000000 0.000000", false,
         "14: the unit vector does not point from vertex 1 to vertex 2"},
        {"two lines for one edge", sq3, 14, "eh 2 3 1.000000 0.000000 0.000000", false,
         "15: joins the same vertices as edge 1 (line 14)"},
        {"face side named by the wrong edge", sq3, 19,
         "fm 1 2 3 4 -0.000000 -1.000000 -0.000000 2 0.707107 0.707107 -0.000000 3 -1.000000 "
         "-0.000000 0.000000 0.000000 0.000000 1.000000 0",
         false, "19: edge 4 does not join vertices 1 and 2"},
        {"side letter against the edges", sq3, 19,
         "fv" + face1.substr(2) + "0.000000 0.000000 1.000000 0", false,
         "19: side 'v' does not match its edges 'hnh' (expected 'm')"},
        {"face normal not unit", sq3, 19, face1 + "0.000000 0.000000 1.001000 0", false,
         "19: the face normal does not have length 1"},
        {"edge-face normal not unit", sq3, 19,
         "fm 1 2 3 1 -0.000000 -0.900000 -0.000000 2 0.707107 0.707107 -0.000000 3 -1.000000 "
         "-0.000000 0.000000 0.000000 0.000000 1.000000 0",
         false, "19: the edge-face normal of edge 1 does not have length 1"},
        {"negative patch", sq3, 19, face1 + "0.000000 0.000000 1.000000 -4", false,
         "19: negative patch number -4"},
        {"open edge letter on a shared edge", sq3, 15, "eh 2 3 -0.707107 0.707107 0.000000", false,
         "15: open edge ('h') used by 2 faces"},
        {"shared letter on an edge of one face", sq3, 16, "en 3 1 0.000000 -1.000000 0.000000",
         false, "16: edge 'n' used by one face only"},
        {"edge of no face", sq3, 19, "eh 1 4 0.707107 0.707107 0.000000", true,
         "19: no face uses this edge"},
        {"vertex letter against the edges", tet, 10, "vi 0.000000 0.000000 -0.750000", false,
         "10: vertex type 'i' does not match its edges (expected 'o')"},
        // 2D invariants.
        {"normal not across the edge", rect, 14, "ev 1 2 1.000000 0.000000 1.000000 0.000000 0",
         false, "14: the normal is not the direction turned a quarter turn"},
        {"direction reversed", rect, 14, "ev 1 2 -1.000000 0.000000 0.000000 1.000000 0", false,
         "14: the direction does not point from vertex 1 to vertex 2"},
        {"outline not closed", rect, 17, std::nullopt, false,
         "13: the outline is not closed here: 1 edge touches this vertex"},
        {"vertex off the outline", rect, 14, "vo 0.000000 0.000000 0.500000 0.000000", true,
         "14: no outline edge touches this vertex"},
        {"straight vertex with a safe point", rect, 10, "vn -1.000000 -0.500000 -0.250000 0.250000",
         false, "10: a straight vertex ('n') has the safe point (0, 0)"},
        {"corner without a safe point", rect, 11, "vo 1.000000 -0.500000 1.000000 -0.500000", false,
         "11: corner 'o' without a safe point"},
        {"two edge letters in a patch", rect, 15, "em 2 3 0.000000 1.000000 1.000000 -0.000000 0",
         false, "15: patch 0 holds edges 'v' (line 14) and 'm'"},
        {"negative radius", "e2e/golden/circle_shell.hbx2", 0, std::nullopt, false,
         "10: the radius is negative"},
    };
    const std::string dir = hbxtest::makeScratchDir();
    for (const BrokenFile& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = golden(c.base);
        if (c.line == 0) { // the circle template with values
            text = editLine(editLine(text, 10, "radius -1.000000"), 11, "centre 0.000000 0.000000");
            text = editLine(text, 6, "origin Manual");
        } else if (c.insert) {
            text = insertLine(text, c.line, *c.text);
        } else {
            text = editLine(text, c.line, c.text);
        }
        const std::string path = dir + "/broken.hbx";
        hbxtest::writeFile(path, text);
        const auto r = hbxcheck({path});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.out.find(path + ":" + c.expected), std::string::npos) << r.out;
    }
}

TEST(Hbxcheck, UsageAndUnreadableFiles) {
    auto r = hbxcheck({});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("usage: hbxcheck FILE..."), std::string::npos);
    EXPECT_EQ(hbxcheck({"-x", "f"}).exitCode, 2);
    r = hbxcheck({"/nonexistent.hbx3"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.rfind("/nonexistent.hbx3: cannot open the file", 0), 0u) << r.out;
}

} // namespace
