// The static 3D picture: a Shape File of the 3D tool as a shaded SVG from one direction.
#pragma once

#include "hbxview/drawing.h"

#include <string>
#include <string_view>

namespace hbxview {

// Faces filled in their patch colour (or side colour when bySide), shaded by how squarely their
// normal faces the viewer, painted back to front by the depth of their middle; convex, concave and
// open edges drawn among them; a sphere as a wire sphere. `view` is x, y, z or iso. Reads: the
// drawing. Returns: the SVG text.
std::string svg3D(const Drawing3D& drawing, std::string_view view, bool bySide);

} // namespace hbxview
