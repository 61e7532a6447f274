// The fit shared by the sphere and the circle: the centre of the vertices'
// bounding box (near-zero coordinates snapped to zero) and the mean distance
// of the vertices from it.
#pragma once

#include <string_view>

namespace hbx {

struct BallFit {
    float centre[3] = {0.0f, 0.0f, 0.0f};
    float radius = 0.0f;
};

// Reads the vertex lines of the OBJ text (lines of "v" and a space, in the
// 256-byte pieces of the line reader) and fits over their first `axes`
// coordinates (3 for the sphere, 2 for the circle). A text without vertex
// lines gives centre 0 and radius 0. Cannot fail.
BallFit fitBall(std::string_view objText, int axes);

} // namespace hbx
