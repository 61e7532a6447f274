// Helpers shared by the 2D builder tests: OBJ text from coordinates and
// faces, the builder's phases run in process (indexed or plain), record
// comparison, and random meshes.
#pragma once

#include "proxy2d/mesh2d.h"
#include "proxy2d/patches.h"

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace hbx2test {

struct Point {
    double x, y;
};

// "v x y 0" lines (printed with %.9g) then "f a b c ..." lines (1-based).
std::string objText(const std::vector<Point>& points, const std::vector<std::vector<int>>& faces);

struct Built {
    bool ok = false; // reading succeeded
    hbx2::Mesh2D mesh;
    int notes = 0;          // "NOTE: Allergies found" lines printed (indexed build)
    hbx2::PatchStats stats; // indexed build
};

// Reading, then the builder's own phases.
Built buildIndexed(const std::string& obj);
// Reading, then the plain scans of plain_reference.h.
Built buildPlain(const std::string& obj);

// Compares every record field that any phase writes, floats bit for bit.
// Returns an empty string when equal, else a description of the first
// difference.
std::string compareRecords(const hbx2::Mesh2D& a, const hbx2::Mesh2D& b);

// Random meshes. Each returns points and faces in random order.
struct RandomMesh {
    std::vector<Point> points;
    std::vector<std::vector<int>> faces; // 1-based
};
// Unit cells of a w x h grid filled at random (holes, notches, collinear
// runs, pinch corners), each cell two triangles (random diagonal and
// winding) or one quad; coordinates scaled and shifted, optionally jittered.
RandomMesh gridMesh(std::mt19937& rng, int w, int h, double fill, double scale, double shift,
                    double jitter);
// A star-shaped polygon of k corners fanned from an inner vertex.
RandomMesh starMesh(std::mt19937& rng, int k);
// A band along a spiral of the given number of turns, cut into segments
// quads (each two triangles): its convex side wraps around itself, so its
// patch splits again and again.
RandomMesh spiralMesh(std::mt19937& rng, int segments, double turns);
// Loose triangles with random corners, some sharing vertices: every side is
// on the outline and the outline crosses itself.
RandomMesh soupMesh(std::mt19937& rng, int triangles);

} // namespace hbx2test
