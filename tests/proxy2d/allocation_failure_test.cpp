// Every allocation failure of the builder, provoked through the test seam:
// its message (or none), the writer result and what the output file holds.
#include "frontend/alloc_hook.h"
#include "proxy2d/proxy_create_obj.h"
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kMeshes = HBX2_TEST_MESHES;

struct AllocCase {
    const char* site;
    int skip;
    std::string message;
    const char* ending; // what follows "*start\n" in the file
    int result;
};

TEST(AllocationFailures2D, MessagesAndFiles) {
    const AllocCase cases[] = {
        {"vertices", 0, "Error: Couldn't allocate verticies\n", "WRITE ABORTED\n", 0},
        {"edges", 0, "Error: Couldn't allocate edges\n", "WRITE ABORTED\n", 0},
        {"faces", 0, "Error: Couldn't allocate faces\n", "WRITE ABORTED\n", 0},
        {"face tokens", 3, "Error: Couldn't allocate face token array\n", "WRITE ABORTED\n", 0},
        {"allergy set array", 0, "Error: Couldn't allocate patch allergy set array\n",
         "WRITE ABORTED\n", 0},
        // Silent: the file keeps its framing and nothing more.
        {"allergy set", 0, "", "", 0},
        // The hook's first check makes one set (edge 0's) and its second
        // none, so a failure armed for the second set never happens.
        {"allergy set", 1, "NOTE: Allergies found\n", nullptr, 1},
    };
    const std::string in = kMeshes + "/hook.obj";
    for (const AllocCase& c : cases) {
        const std::string out = hbxtest::makeScratchDir() + "/out.hbx2";
        hbx::armAllocFailure(c.site, c.skip);
        testing::internal::CaptureStdout();
        const int result = hbx2::proxyCreateOBJ(in.c_str(), out.c_str());
        const std::string printed = testing::internal::GetCapturedStdout();
        hbx::disarmAllocFailure();
        EXPECT_EQ(result, c.result) << c.site;
        EXPECT_EQ(printed, c.message) << c.site;
        const std::string file = hbxtest::readFile(out);
        const std::size_t start = file.find("*start\n");
        ASSERT_NE(start, std::string::npos) << c.site;
        if (c.ending)
            EXPECT_EQ(file.substr(start + 7), c.ending) << c.site;
        else
            EXPECT_NE(file.find("*end\n\n"), std::string::npos) << c.site;
    }
}

} // namespace
