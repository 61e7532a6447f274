// The 3D page: a Shape File of the 3D tool as one self-contained HTML document.
#pragma once

#include "hbxview/drawing.h"

#include <string>
#include <string_view>

namespace hbxview {

// The page holds the geometry packed as base64 of little-endian typed arrays (float32 positions,
// uint32 corners and edge ends, int8 face normals, uint32 patch ranks, side and class letters)
// and the viewer script inline; it loads nothing from anywhere. `view` is x, y, z or iso, the
// direction it opens with. Reads: the drawing. Returns: the HTML text.
std::string page3D(const Drawing3D& drawing, std::string_view view);

} // namespace hbxview
