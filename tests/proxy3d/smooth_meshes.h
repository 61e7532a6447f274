// Smooth closed surfaces small enough that every edge is flat within the
// 0.0001 snap, so that the whole surface starts as one patch and splits
// again and again, each split moving most of it.
#pragma once

#include "proxy3d/mesh3d.h"

#include <random>
#include <vector>

namespace hbx3test {

// Positions and 0-based corner triples of a mesh being built.
struct Surface {
    std::vector<hbx3::Vec3> positions;
    std::vector<std::vector<int>> corners;
};

// A torus of rings x segments quads (two triangles each), tube radius 0.4
// of the ring radius, everything times `scale`.
Surface torusSurface(int rings, int segments, double scale);

// A sphere of latitude rings x segments around the z axis, its radius
// raised by a few random smooth bumps of up to `bump` (relative), times
// `scale`. bump 0 gives a plain sphere.
Surface bumpySphere(int rings, int segments, double scale, double bump, std::mt19937& rng);

// A randomly stretched octahedron, Loop-subdivided `times` times (each face
// becomes its three corner faces, then its middle face), times `scale`.
Surface loopSubdivided(int times, double scale, std::mt19937& rng);

// The surface read no further than the builder's phases before the patch
// cycle (sides classified), faces in the order built or shuffled.
hbx3::Mesh3D derivedMesh(Surface surface, std::mt19937* shuffle);

} // namespace hbx3test
