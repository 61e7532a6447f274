// Framing and footer bytes, and the allocation-failure seam.
#include "frontend/alloc_hook.h"
#include "frontend/file_io.h"
#include "frontend/shape_file.h"
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        out.push_back(line);
    return out;
}

TEST(Framing, BannerOriginTypeAndStartInOrder) {
    std::string three, two;
    hbx::appendFraming(three, hbx::Tool::ThreeD, "my mesh.obj", "PX");
    hbx::appendFraming(two, hbx::Tool::TwoD, hbx::kShellOrigin, "CR");
    EXPECT_EQ(three, "#===========================================================#\n"
                     "#========================Shape File 3D======================#\n"
                     "#===========shapes define how objects collide===============#\n"
                     "#===========================================================#\n\n"
                     "origin my mesh.obj\n"
                     "type PX\n\n"
                     "*start\n");
    EXPECT_EQ(two.substr(62, 62),
              "#======================Shape File 2D========================#\n");
    EXPECT_NE(two.find("origin <STRING \"fileName\">\ntype CR\n\n*start\n"), std::string::npos);
    for (const auto& l : lines(three.substr(0, 4 * 62)))
        EXPECT_EQ(l.size(), 61u);
}

TEST(Footer, StampPadsTimeAndDateButNotTheYear) {
    std::string out;
    hbx::appendFooter(out, hbx::Tool::ThreeD, 9, 5, 7, 3, 11, 2026);
    const auto l = lines(out);
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[1], "#============generated at 09:05:07 on 03:11:2026============#");
    EXPECT_EQ(l[2], "#=================makeHBX3 Version 0.0.6.4.i================#");
    EXPECT_EQ(l[3], l[0]);
    EXPECT_EQ(l[4], l[0]);
    for (const auto& line : l)
        EXPECT_EQ(line.size(), 61u);

    std::string two;
    hbx::appendFooter(two, hbx::Tool::TwoD, 23, 59, 59, 31, 12, 1999);
    const auto m = lines(two);
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[1], "#============generated at 23:59:59 on 31:12:1999============#");
    EXPECT_EQ(m[2], "#================makeHBX2 Version 0.0.6.4.i=================#");
}

TEST(AddDetails, AppendsToTheFileAndReportsFailure) {
    const std::string dir = hbxtest::makeScratchDir();
    const std::string path = dir + "/shape";
    hbxtest::writeFile(path, "body\n");
    EXPECT_EQ(hbx::addDetails(path.c_str(), hbx::Tool::TwoD), 0);
    const std::string text = hbxtest::readFile(path);
    EXPECT_EQ(text.rfind("body\n#====", 0), 0u);
    EXPECT_EQ(lines(text).size(), 5u);

    EXPECT_NE(hbx::addDetails((dir + "/missing/shape").c_str(), hbx::Tool::TwoD), 0);
    EXPECT_NE(hbx::addDetails("/dev/full", hbx::Tool::ThreeD), 0);
}

TEST(OutputFile, ReportsAFullDisk) {
    hbx::OutputFile out;
    ASSERT_TRUE(out.open("/dev/full"));
    out.write("some text\n");
    EXPECT_FALSE(out.close());
}

// Text far longer than one write of the file reaches it whole and in order,
// across several flushes.
TEST(OutputFile, WritesLongTextWhole) {
    const std::string path = hbxtest::makeScratchDir() + "/long";
    std::string expected;
    hbx::OutputFile out;
    ASSERT_TRUE(out.open(path.c_str()));
    for (int part = 0; part < 3; ++part) {
        std::string text;
        for (int i = 0; text.size() < (std::size_t(3) << 20) + 17 * part; ++i)
            text += std::to_string(i) + ' ';
        out.write(text);
        expected += text;
        if (part < 2) {
            ASSERT_TRUE(out.flush());
        }
    }
    ASSERT_TRUE(out.close());
    EXPECT_TRUE(hbxtest::readFile(path) == expected);
}

TEST(ReadWholeFile, RefusesDirectoriesAndMissingFiles) {
    std::string text = "stale";
    EXPECT_FALSE(hbx::readWholeFile("/", text));
    EXPECT_FALSE(hbx::readWholeFile("/no/such/file", text));
    EXPECT_TRUE(text.empty());
}

TEST(AllocHook, FailsOnlyTheArmedSiteAfterItsSkips) {
    hbx::armAllocFailure("edges", 1);
    EXPECT_FALSE(hbx::allocationFails("faces"));
    EXPECT_FALSE(hbx::allocationFails("edges"));
    EXPECT_TRUE(hbx::allocationFails("edges"));
    EXPECT_FALSE(hbx::allocationFails("edges")); // disarmed after firing
    hbx::disarmAllocFailure();
}

} // namespace
