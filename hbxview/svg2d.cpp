#include "hbxview/svg2d.h"

#include "hbxview/palette.h"
#include "hbxview/text_out.h"
#include "hbxview/view_box.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace hbxview {

namespace {

constexpr double kDrawSize = 800; // pixels along the shape's longer side, margins included
constexpr double kMargin = 40;    // pixels around the shape
constexpr double kLegendWidth = 250;
constexpr double kEdgeWidth = 3;
constexpr std::size_t kListedPatches = 12;
// Ticks and vertex marks are drawn for outlines of up to this many edges: beyond it they would
// be smaller than a pixel apart, and a browser would spend seconds on marks nobody can see.
constexpr std::size_t kMostMarkedEdges = 2000;
// The longest path data of one element: some SVG readers refuse attributes of 10 MB and more.
constexpr std::size_t kMostPathChars = 1 << 20;
const char* const kFill = "#ececec";

// Stroke style of an edge type: convex runs solid, concave dashed, mixed dash-dotted.
const char* dashOf(char type) {
    switch (type) {
    case 'v':
        return "";
    case 'c':
        return " stroke-dasharray=\"10 5\"";
    default:
        return " stroke-dasharray=\"10 4 2 4\"";
    }
}

const char* typeName(char type) {
    switch (type) {
    case 'v':
        return "convex";
    case 'c':
        return "concave";
    case 'm':
        return "mixed";
    default:
        return "other";
    }
}

bool marked(const Drawing2D& d) {
    return d.edges.size() <= kMostMarkedEdges && d.vertices.size() <= kMostMarkedEdges;
}

Point2 at(const Drawing2D& d, std::size_t v) {
    return {d.vertices[v].pos.x + d.centre.x, d.vertices[v].pos.y + d.centre.y};
}

// Appends a small circle as two arcs, so thousands of dots share one path element.
void appendDot(std::string& out, double x, double y, double r) {
    appendf(out, "M%.2f %.2fa%.2f %.2f 0 1 0 %.2f 0a%.2f %.2f 0 1 0 %.2f 0", x - r, y, r, r, 2 * r,
            r, r, -2 * r);
}

// Writes path data as <path ATTRIBUTES d="..."/>, split into several elements of the same
// attributes where the data is longer than kMostPathChars (at a subpath's "M").
void appendPaths(std::string& out, const std::string& attributes, const std::string& data) {
    std::size_t from = 0;
    while (from < data.size()) {
        std::size_t to = data.size();
        if (to - from > kMostPathChars) {
            to = data.find('M', from + kMostPathChars);
            if (to == std::string::npos) to = data.size();
        }
        out += "<path " + attributes + " d=\"";
        out.append(data, from, to - from);
        out += "\"/>\n";
        from = to;
    }
}

// The closed loops of the outline as one even-odd path, so that holes stay unfilled. Edges that
// do not close a loop (a file with an open chain) are left out of the fill; they are still drawn.
std::string loopPath(const Drawing2D& d, const Fit& fit) {
    const std::size_t vertexCount = d.vertices.size();
    std::vector<std::vector<std::size_t>> touching(vertexCount);
    for (std::size_t e = 0; e < d.edges.size(); ++e) {
        touching[d.edges[e].vtx1].push_back(e);
        touching[d.edges[e].vtx2].push_back(e);
    }
    std::vector<char> used(d.edges.size(), 0);
    std::string path;
    std::vector<std::size_t> loop;
    for (std::size_t first = 0; first < d.edges.size(); ++first) {
        if (used[first]) continue;
        used[first] = 1;
        const std::size_t start = d.edges[first].vtx1;
        std::size_t here = d.edges[first].vtx2;
        loop.assign({start, here});
        while (here != start) {
            std::size_t next = d.edges.size();
            for (std::size_t e : touching[here]) {
                if (!used[e]) {
                    next = e;
                    break;
                }
            }
            if (next == d.edges.size()) break;
            used[next] = 1;
            here = d.edges[next].vtx1 == here ? d.edges[next].vtx2 : d.edges[next].vtx1;
            loop.push_back(here);
        }
        if (here != start || loop.size() < 4) continue;
        for (std::size_t i = 0; i + 1 < loop.size(); ++i) {
            const Point2 p = at(d, loop[i]);
            appendPoint(path, i == 0 ? 'M' : 'L', fit.x(p.x), fit.y(p.y));
        }
        path += 'Z';
    }
    return path;
}

// One path per (patch, edge type): consecutive edges that continue each other share a subpath.
void appendEdges(std::string& out, const Drawing2D& d, const Fit& fit,
                 const std::vector<std::int64_t>& patches) {
    std::map<std::pair<std::size_t, char>, std::vector<std::size_t>> groups;
    for (std::size_t e = 0; e < d.edges.size(); ++e)
        groups[{patchRank(patches, d.edges[e].patch), d.edges[e].type}].push_back(e);

    out += "<g id=\"edges\" fill=\"none\" stroke-linecap=\"butt\">\n";
    std::string path;
    for (const auto& [key, edges] : groups) {
        path.clear();
        std::size_t last = static_cast<std::size_t>(-1);
        for (std::size_t e : edges) {
            const OutlineEdge& edge = d.edges[e];
            const Point2 a = at(d, edge.vtx1), b = at(d, edge.vtx2);
            if (edge.vtx1 != last) appendPoint(path, 'M', fit.x(a.x), fit.y(a.y));
            appendPoint(path, 'L', fit.x(b.x), fit.y(b.y));
            last = edge.vtx2;
        }
        std::string attributes;
        appendf(attributes,
                "class=\"patch\" data-patch=\"%lld\" stroke=\"%s\" stroke-width=\"%g\"%s",
                static_cast<long long>(patches[key.first]), hex(rankColour(key.first)).c_str(),
                kEdgeWidth, dashOf(key.second));
        appendPaths(out, attributes, path);
    }
    out += "</g>\n";
}

// Outward normals as ticks from each edge's middle, half the edge long but within 4 to 20 pixels,
// one path per patch in the patch's colour.
void appendTicks(std::string& out, const Drawing2D& d, const Fit& fit,
                 const std::vector<std::int64_t>& patches) {
    std::vector<std::string> paths(patches.size());
    for (const OutlineEdge& edge : d.edges) {
        const Point2 a = at(d, edge.vtx1), b = at(d, edge.vtx2);
        const double mx = fit.x((a.x + b.x) / 2), my = fit.y((a.y + b.y) / 2);
        const double lengthPx = std::hypot(a.x - b.x, a.y - b.y) * fit.scale;
        const double tick = std::clamp(lengthPx / 2, 4.0, 20.0);
        std::string& path = paths[patchRank(patches, edge.patch)];
        appendPoint(path, 'M', mx, my);
        appendPoint(path, 'l', edge.norm.x * tick, -edge.norm.y * tick);
    }
    out += "<g id=\"normals\" fill=\"none\" stroke-width=\"2\">\n";
    for (std::size_t rank = 0; rank < paths.size(); ++rank) {
        if (paths[rank].empty()) continue;
        appendPaths(out, "stroke=\"" + hex(rankColour(rank)) + "\"", paths[rank]);
    }
    out += "</g>\n";
}

// Vertex markers (convex: filled dot, reflex: ring, straight: small square) and safe points
// (small grey dots, only where the type has one).
void appendVertices(std::string& out, const Drawing2D& d, const Fit& fit) {
    std::string convex, reflex, straight, safe;
    for (std::size_t v = 0; v < d.vertices.size(); ++v) {
        const Point2 p = at(d, v);
        const double x = fit.x(p.x), y = fit.y(p.y);
        const char type = d.vertices[v].type;
        if (type == 'o')
            appendDot(convex, x, y, 3.5);
        else if (type == 'i')
            appendDot(reflex, x, y, 3.5);
        else
            appendf(straight, "M%.2f %.2fh4v4h-4Z", x - 2, y - 2);
        if (type == 'o' || type == 'i') {
            const double sx = d.vertices[v].safe.x + d.centre.x;
            const double sy = d.vertices[v].safe.y + d.centre.y;
            appendDot(safe, fit.x(sx), fit.y(sy), 2);
        }
    }
    out += "<g id=\"vertices\">\n";
    if (!safe.empty()) out += "<path fill=\"#666666\" d=\"" + safe + "\"/>\n";
    if (!convex.empty()) out += "<path fill=\"#000000\" d=\"" + convex + "\"/>\n";
    if (!reflex.empty())
        out += "<path fill=\"#ffffff\" stroke=\"#000000\" stroke-width=\"1.5\" d=\"" + reflex +
               "\"/>\n";
    if (!straight.empty()) out += "<path fill=\"#000000\" d=\"" + straight + "\"/>\n";
    out += "</g>\n";
}

void appendCentre(std::string& out, double x, double y) {
    appendf(out,
            "<path id=\"centre\" fill=\"none\" stroke=\"#000000\" stroke-width=\"1.5\" "
            "d=\"M%.2f %.2fh16M%.2f %.2fv16\"/>\n",
            x - 8, y, x, y - 8);
}

// The legend: title, counts, listed patches, edge styles and marks, from the top of the panel.
void appendLegend(std::string& out, const Drawing2D& d, double left,
                  const std::vector<std::int64_t>& patches, std::map<std::int64_t, char> typeOf) {
    double y = 24;
    auto line = [&](const std::string& text, bool bold = false) {
        appendf(out, "<text x=\"%.0f\" y=\"%.0f\"%s>", left, y,
                bold ? " font-weight=\"bold\"" : "");
        out += escapeMarkup(text);
        out += "</text>\n";
        y += 18;
    };
    out += "<g id=\"legend\" font-family=\"sans-serif\" font-size=\"13\" fill=\"#000000\">\n";
    line(d.title, true);
    if (d.isCircle) {
        char text[128];
        std::snprintf(text, sizeof text, "circle, radius %g", d.radius);
        line(text);
    } else {
        line(std::to_string(d.edges.size()) + " outline edges, " +
             std::to_string(d.vertices.size()) + " vertices");
        line(std::to_string(patches.size()) + " patches (edge colour)");
        const std::size_t listed = std::min(patches.size(), kListedPatches);
        for (std::size_t rank = 0; rank < listed; ++rank) {
            appendf(out, "<path stroke=\"%s\" stroke-width=\"%g\" d=\"M%.0f %.0fh28\"/>\n",
                    hex(rankColour(rank)).c_str(), kEdgeWidth, left, y - 4);
            appendf(out, "<text x=\"%.0f\" y=\"%.0f\">patch %lld (%s)</text>\n", left + 36, y,
                    static_cast<long long>(patches[rank]), typeName(typeOf[patches[rank]]));
            y += 18;
        }
        if (patches.size() > listed)
            line("... and " + std::to_string(patches.size() - listed) + " more");
        y += 6;
        for (const char type : {'v', 'c', 'm'}) {
            appendf(out, "<path stroke=\"#444444\" stroke-width=\"%g\"%s d=\"M%.0f %.0fh28\"/>\n",
                    kEdgeWidth, dashOf(type), left, y - 4);
            appendf(out, "<text x=\"%.0f\" y=\"%.0f\">%s edge</text>\n", left + 36, y,
                    typeName(type));
            y += 18;
        }
        if (!marked(d)) {
            line("normal ticks, vertex marks and safe");
            line("points: drawn up to " + std::to_string(kMostMarkedEdges) + " edges");
        } else {
            std::string marks;
            appendf(marks, "<path stroke=\"#444444\" stroke-width=\"1.5\" d=\"M%.0f %.0fh14\"/>",
                    left + 7, y - 4);
            appendf(marks, "<text x=\"%.0f\" y=\"%.0f\">outward normal</text>\n", left + 36, y);
            out += marks;
            y += 18;
            std::string dot;
            appendDot(dot, left + 14, y - 4, 3.5);
            appendf(out,
                    "<path fill=\"#000000\" d=\"%s\"/><text x=\"%.0f\" y=\"%.0f\">convex "
                    "vertex</text>\n",
                    dot.c_str(), left + 36, y);
            y += 18;
            dot.clear();
            appendDot(dot, left + 14, y - 4, 3.5);
            appendf(out,
                    "<path fill=\"#ffffff\" stroke=\"#000000\" stroke-width=\"1.5\" d=\"%s\"/>"
                    "<text x=\"%.0f\" y=\"%.0f\">reflex vertex</text>\n",
                    dot.c_str(), left + 36, y);
            y += 18;
            appendf(out,
                    "<path d=\"M%.0f %.0fh4v4h-4Z\"/><text x=\"%.0f\" y=\"%.0f\">straight "
                    "vertex</text>\n",
                    left + 12, y - 6, left + 36, y);
            y += 18;
            dot.clear();
            appendDot(dot, left + 14, y - 4, 2);
            appendf(
                out,
                "<path fill=\"#666666\" d=\"%s\"/><text x=\"%.0f\" y=\"%.0f\">safe point</text>\n",
                dot.c_str(), left + 36, y);
            y += 18;
        }
    }
    appendf(out,
            "<path fill=\"none\" stroke=\"#000000\" stroke-width=\"1.5\" d=\"M%.0f %.0fh16M%.0f "
            "%.0fv16\"/><text x=\"%.0f\" y=\"%.0f\">centre</text>\n",
            left + 6, y - 4, left + 14, y - 12, left + 36, y);
    out += "</g>\n";
}

} // namespace

std::string svg2D(const Drawing2D& d) {
    Bounds2 bounds;
    if (d.isCircle) {
        bounds.add(d.centre.x - d.radius, d.centre.y - d.radius);
        bounds.add(d.centre.x + d.radius, d.centre.y + d.radius);
    } else {
        for (std::size_t v = 0; v < d.vertices.size(); ++v) {
            const Point2 p = at(d, v);
            bounds.add(p.x, p.y);
            if (d.vertices[v].type != 'n')
                bounds.add(d.vertices[v].safe.x + d.centre.x, d.vertices[v].safe.y + d.centre.y);
        }
    }
    bounds.add(d.centre.x, d.centre.y);
    const Fit fit(bounds, kDrawSize, kMargin);

    std::vector<std::int64_t> numbers;
    std::map<std::int64_t, char> typeOf;
    numbers.reserve(d.edges.size());
    for (const OutlineEdge& edge : d.edges) {
        numbers.push_back(edge.patch);
        typeOf.emplace(edge.patch, edge.type);
    }
    const std::vector<std::int64_t> patches = distinctPatches(std::move(numbers));

    const double legendLeft = fit.width + 10;
    const double width = fit.width + kLegendWidth;
    const double height =
        std::max(fit.height, 24.0 + 18 * (22 + std::min(patches.size(), kListedPatches)));

    std::string out;
    appendSvgStart(out, width, height, fit, d.title);
    if (d.isCircle) {
        appendf(
            out,
            "<circle id=\"circle\" cx=\"%.2f\" cy=\"%.2f\" r=\"%.2f\" fill=\"%s\" stroke=\"%s\" "
            "stroke-width=\"%g\"/>\n",
            fit.x(d.centre.x), fit.y(d.centre.y), d.radius * fit.scale, kFill,
            hex(rankColour(0)).c_str(), kEdgeWidth);
    } else {
        const std::string fill = loopPath(d, fit);
        // Holes need their loop in the same element as the loop around them, so the fill is one
        // element or, for an outline too long for that, left out.
        if (!fill.empty() && fill.size() < 8 * kMostPathChars)
            out += "<path id=\"inside\" fill=\"" + std::string(kFill) +
                   "\" fill-rule=\"evenodd\" d=\"" + fill + "\"/>\n";
        appendEdges(out, d, fit, patches);
        if (marked(d)) {
            appendTicks(out, d, fit, patches);
            appendVertices(out, d, fit);
        }
    }
    if (d.isCircle || !d.vertices.empty()) appendCentre(out, fit.x(d.centre.x), fit.y(d.centre.y));
    appendLegend(out, d, legendLeft, patches, std::move(typeOf));
    out += "</svg>\n";
    return out;
}

} // namespace hbxview
