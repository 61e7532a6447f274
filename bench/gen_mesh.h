// Benchmark meshes: records and entry points of the mesh generator.
//
// Every mesh is built from structured pieces (grids, rings, strips between
// polylines), so generation is linear in the triangle count and every mesh is
// a fixed function of its kind, triangle count and seed. Positions are held
// in double while building and rounded to float only when written, so the
// file holds exactly the floats the tools will read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hbxbench {

// A triangle mesh. 3D meshes are written with one vertex normal per vertex;
// 2D meshes lie in the plane z = 0.
struct GenMesh {
    bool is3d = true;
    std::vector<double> pos;  // x, y, z per vertex
    std::vector<int32_t> tri; // three 0-based corners per triangle, counter-clockwise seen
                              // from outside (3D) or from +z (2D)
    long long openEdges = 0;  // edges used by one triangle only, as built (2D: the outline)

    int32_t vertexCount() const { return static_cast<int32_t>(pos.size() / 3); }
    long long triangleCount() const { return static_cast<long long>(tri.size() / 3); }
    int32_t addVertex(double x, double y, double z) {
        pos.push_back(x);
        pos.push_back(y);
        pos.push_back(z);
        return vertexCount() - 1;
    }
    void addTriangle(int32_t a, int32_t b, int32_t c) {
        tri.push_back(a);
        tri.push_back(b);
        tri.push_back(c);
    }
};

// Deterministic random numbers (splitmix64): the standard distributions are
// not the same on every library, and the meshes must be.
class SeededRandom {
  public:
    explicit SeededRandom(uint64_t seed)
        : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint64_t nextBits() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi).
    double uniform(double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(nextBits() >> 11) * 0x1.0p-53;
    }

  private:
    uint64_t state_;
};

// One mesh kind: its name, whether it is a 3D kind, and its builder. A
// builder aims at `triangles` triangles (the structure rounds it: the result
// lies within 2% of the request for any request of 1,000 or more, except
// blob's 20 n^2, within 2% from 50,000 on) and uses
// `seed` for its random features (kinds without any ignore it).
struct MeshKind {
    const char* name;
    bool is3d;
    const char* description;
    GenMesh (*build)(long long triangles, uint64_t seed);
};

// 3D kinds (gen_shapes3d.cpp).
GenMesh makeSphere(long long triangles, uint64_t seed);
GenMesh makeTorus(long long triangles, uint64_t seed);
GenMesh makeBumpySphere(long long triangles, uint64_t seed);
GenMesh makeTerrain(long long triangles, uint64_t seed);
GenMesh makeCoil(long long triangles, uint64_t seed);

// Building blocks of the fine kinds (gen_shapes3d.cpp): the torus grid of
// makeTorus with any counts and radii, and makeBumpySphere scaled by `scale`.
GenMesh torusGrid(long long axis, long long tube, double major, double minor);
GenMesh bumpySphere(long long triangles, uint64_t seed, double scale);

// A smooth bump (or dent, height < 0) on a sphere: a Gaussian profile over
// the angle from its centre, a unit direction.
struct SphereBump {
    double x, y, z, height, inverseWidth;
};
// Draws b's centre, a uniform direction (two draws).
void randomBumpCentre(SeededRandom& random, SphereBump& b);
// The radius in the unit direction (x, y, z): base plus each bump's
// height there, added in turn.
double bumpedRadius(const std::vector<SphereBump>& bumps, double base, double x, double y,
                    double z);

// 3D kinds whose every (or nearly every) edge is flat within the tools'
// 0.0001, and walls along flat spirals (gen_fine3d.cpp).
GenMesh makeFineTorus(long long triangles, uint64_t seed);
GenMesh makeFineBumpy(long long triangles, uint64_t seed);
GenMesh makeScan(long long triangles, uint64_t seed);
GenMesh makeBlob(long long triangles, uint64_t seed);
GenMesh makeWall(long long triangles, uint64_t seed);
GenMesh makeWall10(long long triangles, uint64_t seed);
GenMesh makeTallWall(long long triangles, uint64_t seed);

// Loop subdivision of a closed, consistently wound triangle mesh
// (loop_subdivide.cpp): four triangles for each, smoothed positions.
GenMesh loopSubdivide(const GenMesh& mesh);

// 2D kinds (gen_shapes2d.cpp).
GenMesh makeDisc(long long triangles, uint64_t seed);
GenMesh makeGear(long long triangles, uint64_t seed);
GenMesh makePlate(long long triangles, uint64_t seed);
GenMesh makeJagged(long long triangles, uint64_t seed);
GenMesh makeSpiral(long long triangles, uint64_t seed);
GenMesh makeSpiral20(long long triangles, uint64_t seed);
GenMesh makeBand3(long long triangles, uint64_t seed);

// The table of all kinds, and a lookup by name (nullptr when unknown).
const std::vector<MeshKind>& meshKinds();
const MeshKind* findMeshKind(std::string_view name);

// Formats the mesh as OBJ text into out (replacing its content). 3D: "v x y z"
// and "vn x y z" lines (the normal of each vertex: the area-weighted mean of
// its triangles' normals) and "f a/a/a b/b/b c/c/c"; 2D: "v x y 0" and
// "f a b c". Coordinates are the shortest decimal texts of the float values.
// `header` becomes a comment on the first line.
void formatObj(const GenMesh& mesh, std::string_view header, std::string& out);

} // namespace hbxbench
