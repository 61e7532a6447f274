#include "hbxview/camera.h"

#include <cmath>
#include <numbers>

namespace hbxview {

namespace {

Camera fromAngles(double yaw, double pitch) {
    const double cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    Camera c;
    c.eye = {cp * sy, sp, cp * cy};
    c.right = {cy, 0, -sy};
    c.up = {c.eye.y * c.right.z - c.eye.z * c.right.y, c.eye.z * c.right.x - c.eye.x * c.right.z,
            c.eye.x * c.right.y - c.eye.y * c.right.x};
    return c;
}

} // namespace

std::optional<Camera> cameraFor(std::string_view view) {
    const double quarter = std::numbers::pi / 2;
    if (view == "x") return fromAngles(quarter, 0);
    if (view == "y") return fromAngles(0, quarter);
    if (view == "z") return fromAngles(0, 0);
    if (view == "iso") return fromAngles(std::numbers::pi / 4, std::asin(1 / std::sqrt(3.0)));
    return std::nullopt;
}

} // namespace hbxview
