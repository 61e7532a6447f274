// hbxview as a user runs it: files that cannot be drawn give the reader's message and leave no
// picture; large files give pictures of a few elements and pages smaller than the file.
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

using hbxtest::fileExists;
using hbxtest::readFile;
using hbxtest::runTool;
using hbxtest::writeFile;

const std::string kMeshes = HBX_VIEWER_MESHES;

// Runs hbxview on in, writing out.
hbxtest::RunResult view(const std::string& in, const std::string& out) {
    return runTool(HBXVIEW_EXE, {in, "-o", out});
}

// A Shape File made by a tool from one of the test meshes, in dir.
std::string made(const std::string& dir, bool threeD, const char* code, const std::string& mesh,
                 const std::string& name) {
    const std::string out = dir + "/" + name;
    const auto r =
        runTool(threeD ? hbxtest::tool3d() : hbxtest::tool2d(), {code, kMeshes + "/" + mesh, out});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    return out;
}

// The 1-based number of the line that starts at offset.
std::size_t lineAt(const std::string& text, std::size_t offset) {
    std::size_t number = 1;
    for (std::size_t i = 0; i < offset; ++i)
        number += text[i] == '\n';
    return number;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

struct Refused {
    std::string name, text, expect; // the input's name and text, a part of the message
};

// Every way a file can fail to be a shape: a damaged record line (2D and 3D), an aborted file,
// a template, a missing file. Each exits 1 with the reason and leaves no output file, not even
// an empty one.
TEST(HbxviewRefuses, FilesWithoutAShapeGiveTheReasonAndNoPicture) {
    const std::string dir = hbxtest::makeScratchDir();
    const std::string square = readFile(made(dir, false, "PX", "square.obj", "square.hbx2"));
    const std::string cubes = readFile(made(dir, true, "PX", "two_cubes.obj", "cubes.hbx3"));

    std::string badEdge = square;
    const std::string edge = "ev 2 3 0.000000 1.000000 1.000000 -0.000000 0";
    ASSERT_NE(badEdge.find(edge), std::string::npos) << square;
    badEdge.replace(badEdge.find(edge), edge.size(),
                    "ev 2 3 0.000000 1.0x0000 1.000000 -0.000000 0");
    const std::string edgeAt = ":" + std::to_string(lineAt(square, square.find(edge))) + ":";

    std::string badFace = cubes;
    const std::size_t face = badFace.find("\nfv ") + 1;
    badFace.replace(face, badFace.find(' ', face + 3) - face, "fv 99");
    const std::string faceAt = ":" + std::to_string(lineAt(badFace, face)) + ":";

    const std::string framing = cubes.substr(0, cubes.find("*start\n") + 7);
    runTool(hbxtest::tool2d(), {}, "PX\nS\ntemplate.hbx2\n", {}, dir);
    const Refused cases[] = {
        {"bad_edge.hbx2", badEdge, "bad_edge.hbx2" + edgeAt},
        {"bad_face.hbx3", badFace, "bad_face.hbx3" + faceAt},
        {"aborted.hbx3", framing + "WRITE ABORTED\n", "aborted"},
        {"lone_abort.hbx2", "WRITE ABORTED\n", "aborted"},
        {"template.hbx2", "", "template"},
        {"missing.hbx2", "", "missing.hbx2"},
    };
    for (const Refused& c : cases) {
        if (!c.text.empty()) writeFile(dir + "/" + c.name, c.text);
        for (const char* picture : {"out.svg", "out.html"}) {
            const std::string out = dir + "/" + picture;
            const auto r = view(dir + "/" + c.name, out);
            EXPECT_EQ(r.exitCode, 1) << c.name;
            EXPECT_NE(r.err.find(c.expect), std::string::npos) << c.name << ": " << r.err;
            EXPECT_FALSE(fileExists(out)) << c.name << " left " << picture;
        }
    }
}

// Arguments that cannot make a picture are refused before anything is read or written.
TEST(HbxviewRefuses, ArgumentsThatNameNoPicture) {
    const std::string dir = hbxtest::makeScratchDir();
    const std::string square = made(dir, false, "PX", "square.obj", "square.hbx2");
    const std::string cubes = made(dir, true, "PX", "two_cubes.obj", "cubes.hbx3");
    const std::vector<std::vector<std::string>> refused = {
        {square, "-o", dir + "/out.html"},                   // a 2D file has no page
        {cubes, "-o", dir + "/out.png"},                     // no such format
        {cubes, "-o", dir + "/out.svg", "--view", "w"},      // no such direction
        {cubes, "-o", dir + "/out.svg", "--colour", "red"},  // no such colouring
        {cubes, "-o"},                                       // no output name
        {cubes, dir + "/other.hbx3", "-o", dir + "/out.svg"} // two inputs
    };
    for (const auto& args : refused) {
        const auto r = runTool(HBXVIEW_EXE, args);
        EXPECT_EQ(r.exitCode, 1) << args.back();
        EXPECT_NE(r.err.find("hbxview: "), std::string::npos) << r.err;
        EXPECT_FALSE(fileExists(dir + "/out.html") || fileExists(dir + "/out.svg") ||
                     fileExists(dir + "/out.png"));
    }
    // A folder that does not exist: the reason, exit 1, nothing written.
    const auto r = view(cubes, dir + "/no/such/out.svg");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot create"), std::string::npos) << r.err;
}

// A 2D file of 100,000 outline edges in four patches: one edge path per patch, one tick path per
// patch, and a handful of others, so a browser lays out a few elements, not 100,000.
TEST(HbxviewScales, HundredThousandEdgesGiveAFewPathElements) {
    const std::string dir = hbxtest::makeScratchDir();
    const std::string square = readFile(made(dir, false, "PX", "square.obj", "square.hbx2"));
    const std::size_t start = square.find("*start\n") + 7, end = square.find("centre ");
    std::string records;
    const int n = 100000;
    char line[160];
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / n;
        std::snprintf(line, sizeof line, "vo %f %f %f %f\n", 100 * std::cos(a), 100 * std::sin(a),
                      75 * std::cos(a), 75 * std::sin(a));
        records += line;
    }
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * (i + 0.5) / n;
        std::snprintf(line, sizeof line, "ev %d %d %f %f %f %f %d\n", i + 1, (i + 1) % n + 1,
                      -std::sin(a), std::cos(a), std::cos(a), std::sin(a), i / 25000 * 25000);
        records += line;
    }
    const std::string big = dir + "/big.hbx2";
    writeFile(big, square.substr(0, start) + records + square.substr(end));
    const auto r = view(big, dir + "/big.svg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string svg = readFile(dir + "/big.svg");
    EXPECT_EQ(count(svg, "class=\"patch\""), 4u);
    EXPECT_LT(count(svg, "<path"), 40u);
    EXPECT_NE(svg.find("100000 outline edges"), std::string::npos);
}

// The page packs the geometry as binary arrays: a 20,000-face proxy gives a page of well under
// half the size of its Shape File, script included.
TEST(HbxviewScales, PageIsSmallerThanTheFileItShows) {
    const std::string dir = hbxtest::makeScratchDir();
    std::string obj;
    const int side = 100;
    char line[96];
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x) {
            std::snprintf(line, sizeof line, "v %d %d %f\n", x, y, 0.01 * ((x * 7 + y * 3) % 5));
            obj += line;
        }
    obj += "vn 0 0 1\n";
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int a = y * (side + 1) + x + 1, b = a + 1, c = a + side + 1, d = c + 1;
            std::snprintf(line, sizeof line, "f %d//1 %d//1 %d//1\nf %d//1 %d//1 %d//1\n", a, b, d,
                          a, d, c);
            obj += line;
        }
    writeFile(dir + "/grid.obj", obj);
    ASSERT_EQ(runTool(hbxtest::tool3d(), {"PX", dir + "/grid.obj", dir + "/grid.hbx3"}).exitCode,
              0);
    const auto r = view(dir + "/grid.hbx3", dir + "/grid.html");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string page = readFile(dir + "/grid.html");
    EXPECT_LT(page.size() * 2, readFile(dir + "/grid.hbx3").size());
    EXPECT_EQ(page.find("http://"), std::string::npos); // nothing to fetch
    EXPECT_EQ(page.find("https://"), std::string::npos);
}

} // namespace
