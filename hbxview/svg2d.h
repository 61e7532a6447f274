// The 2D picture: a Shape File of the 2D tool drawn as one SVG document.
#pragma once

#include "hbxview/drawing.h"

#include <string>

namespace hbxview {

// Draws a circle as its circle, or a proxy as its outline: a light fill inside the closed loops,
// edges coloured by patch (one path element per patch and edge type, so that 100,000 edges stay
// a few elements) with the edge type as stroke style, outward normals as ticks, vertex types as
// markers, safe points as dots, and the centre as a cross. The view fits the shape with a margin;
// a legend beside it explains colours and marks. Reads: the drawing. Returns: the SVG text.
std::string svg2D(const Drawing2D& drawing);

} // namespace hbxview
