// Every allocation of the proxy builders that has a failure message of its
// own, made to fail in turn through the allocation hook: the exact message,
// the file left behind (an aborted file, or in 2D for an allergy set a file
// that ends at "*start") and, in the sanitizer build, no leak on the way out.
#include "frontend/alloc_hook.h"
#include "proxy2d/proxy_create_obj.h"
#include "proxy3d/proxy_create_obj.h"
#include "tests/badinput/catalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

using namespace badinput;

const std::string kTetrahedron = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvn -1 -1 -1\nvn 1 1 1\n"
                                 "f 1//1 3//1 2//1\nf 1//1 2//1 4//1\nf 1//1 4//1 3//1\n"
                                 "f 2//2 3//2 4//2\n";

// A thin tube along two turns of a helix: its outer side is one convex run
// that wraps around itself, so the patch cycle has to split it.
std::string helixTube() {
    const int along = 48, around = 8;
    std::string s;
    for (int i = 0; i <= along; ++i) {
        const double t = 4.0 * M_PI * i / along;
        for (int j = 0; j < around; ++j) {
            const double phi = 2.0 * M_PI * j / around;
            const double radial = 10.0 + std::cos(phi);
            s += "v " + std::to_string(radial * std::cos(t)) + " " +
                 std::to_string(radial * std::sin(t)) + " " +
                 std::to_string(3.0 * t / (2.0 * M_PI) + std::sin(phi)) + "\n";
        }
    }
    for (int i = 0; i < along; ++i) {
        for (int j = 0; j < around; ++j) {
            const int a = i * around + j + 1, b = i * around + (j + 1) % around + 1;
            const int c = a + around, d = b + around;
            s +=
                "f " + std::to_string(a) + " " + std::to_string(c) + " " + std::to_string(d) + "\n";
            s +=
                "f " + std::to_string(a) + " " + std::to_string(d) + " " + std::to_string(b) + "\n";
        }
    }
    return s;
}

// The hook of the examples: its convex run turns back on itself.
const std::string kHook = "v 0 0 0\nv 10 0 0\nv 10 1 0\nv -5 1 0\nv -5 -3 0\nv -4 -3 0\n"
                          "v -4 0 0\nv -4 1 0\nf 1 2 3\nf 1 3 8\nf 1 8 7\nf 7 8 4\nf 7 4 5\n"
                          "f 7 5 6\n";

struct AllocCase {
    const Writer* writer;
    const char* site;
    int skip; // successful allocations at the site before the failing one
    std::string mesh;
    std::string message;
    bool aborted; // false: the file ends at "*start" with nothing after it
};

int build(const Writer& w, const std::string& in, const std::string& out) {
    return w.threeD ? hbx3::proxyCreateOBJ(in.c_str(), out.c_str())
                    : hbx2::proxyCreateOBJ(in.c_str(), out.c_str());
}

TEST(AllocationFailure, EverySiteEndsWithItsMessageAndFile) {
    const AllocCase cases[] = {
        {&kProxy3D, "vertices", 0, kTetrahedron, "Error: Couldn't allocate verticies\n", true},
        {&kProxy3D, "normals", 0, kTetrahedron, "Error: Couldn't allocate normals\n", true},
        {&kProxy3D, "edges", 0, kTetrahedron, "Error: Couldn't allocate edges\n", true},
        {&kProxy3D, "faces", 0, kTetrahedron, "Error: Couldn't allocate faces\n", true},
        {&kProxy3D, "face tokens", 0, kTetrahedron, "Error: Couldn't allocate face token array\n",
         true},
        {&kProxy3D, "face tokens", 3, kTetrahedron, "Error: Couldn't allocate face token array\n",
         true},
        {&kProxy3D, "allergy set array", 0, kTetrahedron,
         "Error: Couldn't allocate patch allergy set array\n", true},
        {&kProxy3D, "allergy set", 0, helixTube(), "Error: Couldn't allocate patch allergy array\n",
         true},
        {&kProxy3D, "allergy set", 5, helixTube(), "Error: Couldn't allocate patch allergy array\n",
         true},
        {&kProxy2D, "vertices", 0, kHook, "Error: Couldn't allocate verticies\n", true},
        {&kProxy2D, "edges", 0, kHook, "Error: Couldn't allocate edges\n", true},
        {&kProxy2D, "faces", 0, kHook, "Error: Couldn't allocate faces\n", true},
        {&kProxy2D, "face tokens", 0, kHook, "Error: Couldn't allocate face token array\n", true},
        {&kProxy2D, "face tokens", 5, kHook, "Error: Couldn't allocate face token array\n", true},
        {&kProxy2D, "allergy set array", 0, kHook,
         "Error: Couldn't allocate patch allergy set array\n", true},
        // The one silent failure: no message, nothing after "*start".
        {&kProxy2D, "allergy set", 0, kHook, "", false},
        // No room for the records: none of them reaches the file.
        {&kProxy3D, "records", 0, kTetrahedron, "Error: Couldn't write outfile\n", true},
        {&kProxy2D, "records", 0, kHook, "NOTE: Allergies found\nError: Couldn't write outfile\n",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.writer->label) + ", site \"" + c.site + "\" after " +
                     std::to_string(c.skip));
        const std::string dir = hbxtest::makeScratchDir();
        const std::string in = dir + "/in.obj", out = dir + "/out";
        hbxtest::writeFile(in, c.mesh);
        hbx::armAllocFailure(c.site, c.skip);
        testing::internal::CaptureStdout();
        const int result = build(*c.writer, in, out);
        std::fflush(stdout);
        const std::string console = testing::internal::GetCapturedStdout();
        const bool stillArmed = hbx::allocationFails(c.site);
        hbx::disarmAllocFailure();
        EXPECT_FALSE(stillArmed) << "the site was never reached";
        EXPECT_EQ(result, 0);
        EXPECT_EQ(console, c.message);
        EXPECT_EQ(hbxtest::readFile(out),
                  framing(*c.writer, in) + (c.aborted ? "WRITE ABORTED\n" : ""));
    }
}

} // namespace
