// The fit shared by the sphere and the circle: the centre of the vertices'
// bounding box (near-zero coordinates snapped to zero) and the mean distance
// of the vertices from it.
#pragma once

#include <string_view>

namespace hbx {

struct BallFit {
    float centre[3] = {0.0f, 0.0f, 0.0f};
    float radius = 0.0f;
    // 0-based index (among the vertex lines) of the first vertex with a used
    // coordinate that is not finite or has a magnitude of 1e18 or more; -1
    // when all are in range. Such a vertex would turn the centre or the
    // radius into nan or inf, so the writers refuse the file instead.
    int badVertex = -1;
};

// Reads the vertex lines of the OBJ text (lines of "v" and a space, in the
// 256-byte pieces of the line reader) and fits over their first `axes`
// coordinates (3 for the sphere, 2 for the circle). A text without vertex
// lines gives centre 0 and radius 0. Sets badVertex instead of fitting when a
// coordinate is out of range.
BallFit fitBall(std::string_view objText, int axes);

} // namespace hbx
