// The bounds of one node of a face tree (FaceTreeNode says what each
// holds): fitted over the vertices and planes below the node, or joined
// from its two children's bounds, so that a large node costs a constant
// rather than a pass over everything below it. Joined bounds are widened
// by a relative 1e-12, far above the rounding of the double arithmetic
// that joins them and far below the float rounding margin the queries add.
#pragma once

#include "proxy3d/face_tree.h"

namespace hbx3 {

// Sets node's axis to m made unit length (+z for a zero m).
void setAxis(FaceTreeNode& node, const double* m);

// Fills node's hmin, hmax and radiusAroundAxis from its run of the tree's
// vertices (its box, axis and vertex run set).
void fitCylinder(const FaceTree& tree, FaceTreeNode& node);

// Widens node's hmin, hmax and radiusAroundAxis (its box and axis set) to
// hold the vertices that child's bounds hold.
void holdChildCylinder(const FaceTreeNode& child, FaceTreeNode& node);

// Widens node's spread, dlo and dhi (its box and axis set) to hold the
// planes that child's bounds hold.
void holdChildPlanes(const FaceTreeNode& child, FaceTreeNode& node);

// Fills node's spread, dlo and dhi from its run of planes (planes: those of
// the tree's items, in item order; the node's box, axis and face run set).
void fitPlanes(const FacePlane* planes, FaceTreeNode& node);

} // namespace hbx3
