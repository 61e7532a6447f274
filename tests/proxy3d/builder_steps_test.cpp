// The builder's steps on tiny meshes: allocation failures, face normals,
// classes, edge-face normals and the vertex types at open borders.
#include "frontend/alloc_hook.h"
#include "frontend/shape_file.h"
#include "proxy3d/edge_face_normals.h"
#include "proxy3d/face_normals.h"
#include "proxy3d/proxy_create_obj.h"
#include "tests/proxy3d/mesh_builders.h"
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

using hbx3::Mesh3D;
using hbx3::Vec3;
using hbx3test::meshOf;

// Every allocation with a message of its own: armed, it fails the run with
// that message and leaves the framing and "WRITE ABORTED".
TEST(BuilderSteps, AllocationFailuresEndAborted) {
    const struct {
        const char* site;
        const char* message;
    } cases[] = {
        {"vertices", "Error: Couldn't allocate verticies\n"},
        {"normals", "Error: Couldn't allocate normals\n"},
        {"edges", "Error: Couldn't allocate edges\n"},
        {"faces", "Error: Couldn't allocate faces\n"},
        {"face tokens", "Error: Couldn't allocate face token array\n"},
        {"allergy set array", "Error: Couldn't allocate patch allergy set array\n"},
    };
    const std::string dir = hbxtest::makeScratchDir();
    const std::string in = dir + "/strip.obj", out = dir + "/out.hbx3";
    // (The allergy set of a split is checked on the patch cycle itself.)
    hbxtest::writeFile(in,
                       "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 0 2 1\nv 1 2 1\nv 0 1 2\nv 1 1 2\n"
                       "vn 0 -1 1\nf 1//1 3//1 2//1\nf 2//1 3//1 4//1\nf 3//1 5//1 4//1\n"
                       "f 4//1 5//1 6//1\nf 5//1 7//1 6//1\nf 6//1 7//1 8//1\n");
    std::string framing;
    hbx::appendFraming(framing, hbx::Tool::ThreeD, in, "PX");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.site);
        hbx::armAllocFailure(c.site, std::strcmp(c.site, "face tokens") == 0 ? 2 : 0);
        testing::internal::CaptureStdout();
        const int result = hbx3::proxyCreateOBJ(in.c_str(), out.c_str());
        const std::string printed = testing::internal::GetCapturedStdout();
        hbx::disarmAllocFailure();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(printed, c.message);
        EXPECT_EQ(hbxtest::readFile(out), framing + "WRITE ABORTED\n");
    }
}

Vec3 normalOf(std::initializer_list<Vec3> normals) {
    Mesh3D mesh = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    mesh.cornerNormals.resize(1);
    int k = 0;
    for (const Vec3& n : normals) {
        mesh.normals.push_back(hbx3::MeshNormal{n.x, n.y, n.z});
        mesh.cornerNormals[0].normal[k] = k;
        ++k;
    }
    hbx3::computeFaceNormals(mesh);
    return mesh.faces[0].norm;
}

TEST(BuilderSteps, FaceNormalFollowsTheCornerNormals) {
    const struct {
        const char* what;
        std::initializer_list<Vec3> normals;
        float z;
    } cases[] = {
        {"agreeing", {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}, 1.0f},
        {"opposite", {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}}, -1.0f},
        {"cancelling: winding decides", {{0, 0, 1}, {0, 0, -1}, {0, 0, 0}}, 1.0f},
        {"not unit", {{0, 0, 5}, {0, 0, 5}, {0, 0, 5}}, 1.0f},
        {"at right angles: reversed", {{1, 0, 0}, {1, 0, 0}, {1, 0, 0}}, -1.0f},
        {"no normals: winding decides", {}, 1.0f},
    };
    for (const auto& c : cases) {
        const Vec3 n = normalOf(c.normals);
        EXPECT_EQ(n.x, 0.0f) << c.what;
        EXPECT_EQ(n.y, 0.0f) << c.what;
        EXPECT_EQ(n.z, c.z) << c.what;
    }
}

TEST(BuilderSteps, DegenerateFacesGetZeroNormals) {
    // Collinear corners, and two corners at one position (a zero side that
    // stays undivided).
    for (const Vec3 third : {Vec3{2, 0, 0}, Vec3{1, 0, 0}}) {
        Mesh3D mesh = meshOf({{0, 0, 0}, {1, 0, 0}, third}, {{0, 1, 2}});
        hbx3::computeFaceNormals(mesh);
        EXPECT_EQ(mesh.faces[0].norm.x, 0.0f);
        EXPECT_EQ(mesh.faces[0].norm.y, 0.0f);
        EXPECT_EQ(mesh.faces[0].norm.z, 0.0f);
        EXPECT_FALSE(std::signbit(mesh.faces[0].norm.z));
    }
}

// A normal component is the tilt of the face: half the snap bound is
// stored as 0, twice the bound stays.
TEST(BuilderSteps, FaceNormalSnapWindow) {
    for (const float tilt : {0.00005f, 0.0002f}) {
        Mesh3D mesh = meshOf({{0, 0, 0}, {1, 0, tilt}, {0, 1, 0}}, {{0, 1, 2}});
        hbx3::computeFaceNormals(mesh);
        const float x = mesh.faces[0].norm.x;
        if (tilt < 0.0001f) {
            EXPECT_EQ(x, 0.0f);
        } else {
            EXPECT_LT(x, -0.0001f);
        }
    }
}

// Two faces meeting at a ridge along x; the far corner of the second face
// decides the class of the shared edge.
TEST(BuilderSteps, EdgeClassesAndEdgeFaceNormalsAtARidge) {
    const struct {
        float farZ;
        char edge;
    } cases[] = {{-1.0f, 'o'}, {1.0f, 'i'}, {0.00005f, 'n'}, {-0.0002f, 'o'}};
    for (const auto& c : cases) {
        Mesh3D mesh =
            meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, c.farZ}}, {{0, 1, 2}, {1, 0, 3}});
        hbx3test::derive(mesh);
        EXPECT_EQ(mesh.edges[0].type, c.edge) << c.farZ;
        EXPECT_EQ(mesh.edges[0].face2, 1);
        EXPECT_EQ(mesh.faces[1].edge[0], 0);
        // Each face's vector points away from its own far corner.
        const std::vector<Vec3> across = hbx3::acrossEdgeNormals(mesh);
        EXPECT_LT(hbx3::efsNorm(mesh, across, mesh.faces[0], 0).y, 0.0f);
        EXPECT_GT(hbx3::efsNorm(mesh, across, mesh.faces[1], 0).y, 0.0f);
    }
}

TEST(BuilderSteps, OpenBorderCorners) {
    // A flat strip along x: the middle border vertices run straight ('n'),
    // the ends turn corners ('h'); an unused vertex is 'n'.
    Mesh3D mesh =
        meshOf({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {5, 5, 5}},
               {{0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 4}});
    hbx3test::derive(mesh);
    const std::string types = {mesh.vertices[0].type, mesh.vertices[1].type, mesh.vertices[2].type,
                               mesh.vertices[3].type, mesh.vertices[4].type, mesh.vertices[5].type,
                               mesh.vertices[6].type};
    EXPECT_EQ(types, "hnhhnhn");
}

TEST(BuilderSteps, FlatVertexWithOneOpenEdgeIsACorner) {
    // Three flat faces on the edge 0-1; a fourth closes 0-3 and 0-4, so
    // vertex 0 keeps the single open edge 0-2.
    Mesh3D mesh = meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0.5f, -1, 0}},
                         {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}, {0, 3, 4}});
    hbx3test::derive(mesh);
    int open = 0;
    for (const hbx3::MeshEdge& e : mesh.edges) {
        if (e.type == 'h' && (e.vtx1 == 0 || e.vtx2 == 0)) ++open;
        if (e.type != 'h') {
            EXPECT_EQ(e.type, 'n');
        }
    }
    ASSERT_EQ(open, 1);
    EXPECT_EQ(mesh.vertices[0].type, 'h');
}

} // namespace
