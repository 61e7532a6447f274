// Fitting a shape's bounds into a picture.
#pragma once

#include "hbxview/text_out.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

namespace hbxview {

// Bounds of points in picture coordinates (before scaling), grown point by point.
struct Bounds2 {
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    void add(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    bool empty() const { return minX > maxX; }
};

// Maps bounds so that their longer side spans `size` pixels, with `margin` pixels on every side
// (width and height are the picture's); y grows downwards in the picture, upwards in the shape.
// Empty or single-point bounds get a span of 1.
struct Fit {
    double scale = 1, minX = 0, maxY = 0, margin = 0, width = 0, height = 0;

    Fit(Bounds2 b, double size, double margin_) : margin(margin_) {
        if (b.empty()) b.add(0, 0);
        double spanX = b.maxX - b.minX, spanY = b.maxY - b.minY;
        double span = std::max(spanX, spanY);
        if (!(span > 0)) span = 1;
        scale = (size - 2 * margin) / span;
        minX = b.minX;
        maxY = b.maxY;
        width = spanX * scale + 2 * margin;
        height = spanY * scale + 2 * margin;
    }
    double x(double wx) const { return margin + (wx - minX) * scale; }
    double y(double wy) const { return margin + (maxY - wy) * scale; }
};

// Appends the opening of an SVG picture of width x height pixels: the svg element, which
// carries the fit (scale, origin and margin) for tools that read positions back, the title
// and a white background.
inline void appendSvgStart(std::string& out, double width, double height, const Fit& fit,
                           std::string_view title) {
    appendf(out,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\"\n     "
            "data-scale=\"%.9g\" data-min-x=\"%.9g\" data-max-y=\"%.9g\" data-margin=\"%g\">\n",
            width, height, width, height, fit.scale, fit.minX, fit.maxY, fit.margin);
    out += "<title>" + escapeMarkup(title) + "</title>\n";
    appendf(out, "<rect width=\"%.0f\" height=\"%.0f\" fill=\"#ffffff\"/>\n", width, height);
}

} // namespace hbxview
