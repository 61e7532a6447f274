// Small meshes built in memory for the unit tests of the 3D builder.
#pragma once

#include "proxy3d/mesh3d.h"

#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace hbx3test {

// A mesh from positions and 0-based corner triples, read no further: the
// stored positions are relative to the mean as the reader leaves them;
// every face names no normal and carries its own index as patch.
hbx3::Mesh3D meshOf(std::initializer_list<hbx3::Vec3> positions,
                    std::initializer_list<std::initializer_list<int>> corners);

// The same from vectors.
hbx3::Mesh3D fromLists(const std::vector<hbx3::Vec3>& positions,
                       const std::vector<std::vector<int>>& corners);

// Runs the phases before the patch cycle: face normals, matching,
// classification, edge-face normals.
void derive(hbx3::Mesh3D& mesh);

// Random meshes for the comparison of the fast and the plain patch cycle:
// a few vertices on a coarse lattice (plane distances land on the snap
// window's edges and on exact zeros), faces over random corners, sides
// random or classified.
hbx3::Mesh3D randomSoup(std::mt19937& rng);
// A height field of random heights over a small grid, classified as read,
// or with random sides.
hbx3::Mesh3D randomTerrain(std::mt19937& rng, int maxSide = 7);

// A closed torus of rings x segments quads (two triangles each), faces in
// shuffled order, derived, then every face given `side`: one patch in which
// most faces are allergic to most others, so that a split moves nearly the
// whole patch, cycle after cycle.
hbx3::Mesh3D wholeSideTorus(std::mt19937& rng, int rings, int segments, char side);

// A closed wall along a spiral that winds around itself (turns close
// together): one convex patch whose faces see the neighbouring turns, split
// again and again. Faces numbered section by section.
hbx3::Mesh3D spiralWall(int turns, int rings, double gap, double thickness, double height,
                        double pitch);

} // namespace hbx3test
