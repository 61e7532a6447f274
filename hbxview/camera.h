// The directions a 3D picture is seen from. The page's script orbits with the same yaw and pitch,
// so a page opened with --view z starts where the static picture of --view z stands.
#pragma once

#include "hbxview/drawing.h"

#include <optional>
#include <string_view>

namespace hbxview {

// Looking at the shape from `eye` (a unit vector from the shape towards the viewer), with `right`
// and `up` spanning the picture. Yaw turns about y, pitch lifts towards y.
struct Camera {
    Point3 eye, right, up;
};

// x: from +x, z to the left; y: from +y, x to the right and -z up; z: from +z, x right and y up;
// iso: from (1, 1, 1), y up. Returns nothing for any other name.
std::optional<Camera> cameraFor(std::string_view view);

inline double dot(const Point3& a, const Point3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

} // namespace hbxview
