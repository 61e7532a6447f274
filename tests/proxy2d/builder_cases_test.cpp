// Reading rules, outline, types, safe points and patches on small meshes
// whose results follow by hand from the builder's rules.
#include "proxy2d/obj_read2d.h"
#include "tests/proxy2d/proxy2d_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace hbx2test {
namespace {

using hbx2::Mesh2D;

bool isNegativeZero(float v) {
    return v == 0.0f && std::signbit(v);
}

std::vector<std::pair<int, int>> sides(const Mesh2D& mesh) {
    std::vector<std::pair<int, int>> out;
    for (const auto& e : mesh.edges)
        out.emplace_back(e.vtx1, e.vtx2);
    return out;
}

const char* kSquare = "v 0 0 7\nv 1 0 7\nv 1 1 7\nv 0 1 7\nf 1 2 3\nf 1 3 4\n";

TEST(Reading2D, SquareRecords) {
    Mesh2D mesh;
    ASSERT_TRUE(hbx2::readObjMesh2D(kSquare, mesh));
    EXPECT_EQ(mesh.centre[0], 0.5f);
    EXPECT_EQ(mesh.centre[1], 0.5f);
    const float expected[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh.vertices[i].pos[0], expected[i][0]);
        EXPECT_EQ(mesh.vertices[i].pos[1], expected[i][1]);
    }
    const std::vector<std::pair<int, int>> want = {{0, 1}, {1, 2}, {2, 0}, {0, 2}, {2, 3}, {3, 0}};
    EXPECT_EQ(sides(mesh), want);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(mesh.edges[i].patch, i);
}

struct CornerCase {
    const char* name;
    std::string faces;
    std::vector<std::pair<int, int>> sides;
};

TEST(Reading2D, CornerTokens) {
    const std::string vertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
    const std::vector<CornerCase> cases = {
        {"texture and normal indices are ignored", "f 2/7/3 3//1 4/9\n", {{1, 2}, {2, 3}, {3, 1}}},
        {"trailing space makes a repeated corner", "f 1 2 3 \n", {{0, 1}, {1, 2}, {2, 2}, {2, 0}}},
        {"a token without a number repeats the last corner of the file",
         "f 1 2 3\nf x 4 1\n",
         {{0, 1}, {1, 2}, {2, 0}, {2, 3}, {3, 0}, {0, 2}}},
        {"negative indices count back", "f -4 -3 -1\n", {{0, 1}, {1, 3}, {3, 0}}},
        {"tabs do not separate", "f 1\t3 2 4\n", {{0, 1}, {1, 3}, {3, 0}}},
        {"several spaces separate like one", "f  1   2 3", {{0, 1}, {1, 2}, {2, 0}}},
        {"more corners than any fixed table",
         "f" + std::string(600, ' ') + " 1 2 3 4",
         {{0, 1}, {1, 2}, {2, 3}, {3, 0}}},
        {"signs and leading zeros", "f +2 0003 -1/5\n", {{1, 2}, {2, 3}, {3, 1}}},
        // Beyond nine digits the value is truncated as strtol's is:
        // 2^32 + 1 reads as 1 and -(2^32 - 1) as 1.
        {"ten digits wrap like the C scanner",
         "f 4294967297 0000000002 -4294967295 3\n",
         {{0, 1}, {1, 0}, {0, 2}, {2, 0}}},
        {"a sign without digits repeats the last corner",
         "f 1 -x 3 +\n",
         {{0, 0}, {0, 2}, {2, 2}, {2, 0}}},
    };
    for (const CornerCase& c : cases) {
        Mesh2D mesh;
        ASSERT_TRUE(hbx2::readObjMesh2D(vertices + c.faces, mesh)) << c.name;
        EXPECT_EQ(sides(mesh), c.sides) << c.name;
    }
}

TEST(Reading2D, LongLinesArePiecesOfTheirOwn) {
    // A face line longer than 4095 bytes is cut: the tail is tested as a
    // line of its own, so a tail that starts with "v " is a vertex line; a
    // "v" left at the end of the face piece is a corner without a number.
    const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3";
    struct Case {
        int pad;
        std::size_t vertices, edges;
    };
    for (const auto& [pad, vertices, edges] : {Case{4088, 4, 3}, Case{4087, 3, 4}}) {
        Mesh2D mesh;
        const std::string obj = head + std::string(pad, ' ') + "v 5 5 5\n";
        ASSERT_TRUE(hbx2::readObjMesh2D(obj, mesh));
        EXPECT_EQ(mesh.vertices.size(), vertices) << pad;
        EXPECT_EQ(mesh.edges.size(), edges) << pad;
    }
}

TEST(Reading2D, MissingNumbersReadAsZero) {
    Mesh2D mesh;
    ASSERT_TRUE(hbx2::readObjMesh2D("v 3\nv \nv\nv 1 x 2\nv 2 4\n", mesh));
    // "v" alone is no vertex line. Sums 3 + 0 + 1 + 2 and 0 + 0 + 0 + 4 over
    // four lines.
    EXPECT_EQ(mesh.centre[0], 1.5f);
    EXPECT_EQ(mesh.centre[1], 1.0f);
    EXPECT_EQ(mesh.vertices[2].pos[1], -1.0f);
}

// Outline, normals and slots of the square.
TEST(Outline2D, SquareNormalsAndSlots) {
    const Built b = buildIndexed(kSquare);
    const auto& e = b.mesh.edges;
    const int outline[6] = {1, 1, 0, 0, 1, 1};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(e[i].outline, outline[i]) << i;
    EXPECT_EQ(e[0].norm[0], 0.0f);
    EXPECT_FALSE(std::signbit(e[0].norm[0]));
    EXPECT_EQ(e[0].norm[1], -1.0f);
    EXPECT_EQ(e[1].norm[0], 1.0f);
    EXPECT_TRUE(isNegativeZero(e[1].norm[1]));
    EXPECT_EQ(e[4].norm[1], 1.0f);
    EXPECT_TRUE(isNegativeZero(e[5].norm[1]));
    const int slots[4][2] = {{0, 5}, {0, 1}, {1, 4}, {4, 5}};
    for (int v = 0; v < 4; ++v) {
        EXPECT_EQ(b.mesh.vertices[v].edge[0], slots[v][0]);
        EXPECT_EQ(b.mesh.vertices[v].edge[1], slots[v][1]);
        EXPECT_EQ(b.mesh.vertices[v].type, 'o');
    }
    for (int i : {0, 1, 4, 5}) {
        EXPECT_EQ(e[i].type, 'v');
        EXPECT_EQ(e[i].patch, 0);
    }
}

TEST(Outline2D, SharedSidesAndDegenerateEdges) {
    // A side listed by three faces loses the mark on every record.
    Built b = buildIndexed("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 -1 0\nv 1 1 0\n"
                           "f 1 2 3\nf 2 1 4\nf 1 2 5\n");
    for (int i : {0, 3, 6})
        EXPECT_EQ(b.mesh.edges[i].outline, 0) << i;
    // A side from a vertex to itself: no direction, normal (-0, 0) negated.
    b = buildIndexed("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3 \n");
    const auto& loop = b.mesh.edges[2];
    EXPECT_EQ(loop.vtx1, loop.vtx2);
    EXPECT_EQ(loop.vect[0], 0.0f);
    EXPECT_EQ(loop.norm[0], 0.0f);
    EXPECT_FALSE(std::signbit(loop.norm[0]));
    EXPECT_TRUE(isNegativeZero(loop.norm[1]));
}

TEST(Outline2D, VertexWithOneOutlineEdge) {
    // Side 1-2 is listed three times and 1-3, 1-4 twice: of the sides at
    // vertex 1 only 5-1 keeps the outline mark.
    const Built b = buildIndexed("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 -1 0\nv 2 2 0\n"
                                 "f 1 2 3\nf 2 1 4\nf 1 2 5\nf 3 1 4\n");
    const auto& v = b.mesh.vertices[0];
    EXPECT_EQ(v.onOutline, 1);
    EXPECT_EQ(v.edge[0], v.edge[1]);
    EXPECT_EQ(v.type, 'n');
    EXPECT_EQ(v.safe[0], 0.0f);
    EXPECT_EQ(v.safe[1], 0.0f);
}

TEST(Types2D, StraightAndNearlyStraightVerticesAreN) {
    // Three vertices on the bottom line; the top right corner lifted by less
    // than the snap so the right side's middle vertex is 'n' too.
    const Built b = buildIndexed("v 0 0 0\nv 1 0 0\nv 2 0 0\nv 2 1 0\nv 2 2.00005 0\nv 0 2 0\n"
                                 "f 1 2 6\nf 2 3 4\nf 2 4 6\nf 4 5 6\n");
    EXPECT_EQ(b.mesh.vertices[1].type, 'n');
    EXPECT_EQ(b.mesh.vertices[3].type, 'n');
    EXPECT_EQ(b.mesh.vertices[0].type, 'o');
}

TEST(SafePoints2D, ReflexCornerOfTheU) {
    const Built b = buildIndexed(
        "v 0 0 0\nv 3 0 0\nv 3 3 0\nv 2 3 0\nv 2 1 0\nv 1 1 0\nv 1 3 0\nv 0 3 0\nv 1 0 0\nv 2 0 0\n"
        "f 1 9 6\nf 1 6 7\nf 1 7 8\nf 9 10 5\nf 9 5 6\nf 10 2 3\nf 10 3 4\nf 10 4 5\n");
    const auto& v = b.mesh.vertices[4];
    EXPECT_EQ(v.type, 'i');
    EXPECT_EQ(v.safe[0] + b.mesh.centre[0], 1.25f);
    EXPECT_EQ(v.safe[1] + b.mesh.centre[1], 1.75f);
}

TEST(Patches2D, HookSplitsOnce) {
    const Built b = buildIndexed("v 0 0 0\nv 10 0 0\nv 10 1 0\nv -5 1 0\nv -5 -3 0\nv -4 -3 0\n"
                                 "v -4 0 0\nv -4 1 0\nf 1 2 3\nf 1 3 8\nf 1 8 7\nf 7 8 4\n"
                                 "f 7 4 5\nf 7 5 6\n");
    EXPECT_EQ(b.notes, 1);
    struct Want {
        int edge;
        char type;
        int patch;
    };
    for (const Want& w : {Want{0, 'v', 9}, Want{1, 'v', 0}, Want{4, 'v', 0}, Want{8, 'm', 8},
                          Want{10, 'v', 0}, Want{13, 'v', 0}, Want{16, 'v', 0}, Want{17, 'm', 8}}) {
        EXPECT_EQ(b.mesh.edges[w.edge].outline, 1) << w.edge;
        EXPECT_EQ(b.mesh.edges[w.edge].type, w.type) << w.edge;
        EXPECT_EQ(b.mesh.edges[w.edge].patch, w.patch) << w.edge;
    }
}

} // namespace
} // namespace hbx2test
