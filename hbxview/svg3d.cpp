#include "hbxview/svg3d.h"

#include "hbxview/camera.h"
#include "hbxview/palette.h"
#include "hbxview/text_out.h"
#include "hbxview/view_box.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hbxview {

namespace {

constexpr double kDrawSize = 800;
constexpr double kMargin = 30;
constexpr double kLegendWidth = 230;
constexpr std::size_t kListedPatches = 12;
constexpr std::size_t kMostDrawnEdges = 30000;

// Something painted: a face (index below the face count) or an edge (face count + edge index),
// with the depth of its middle towards the viewer.
struct Item {
    double depth;
    std::size_t index;
};

Point3 worldOf(const Drawing3D& d, std::size_t v) {
    const Point3& p = d.vertices[v].pos;
    return {p.x + d.centre.x, p.y + d.centre.y, p.z + d.centre.z};
}

// Light from over the viewer's shoulder (up and a little right of the eye): faces of different
// directions differ in brightness, a face squarely facing the viewer keeps its colour unchanged
// (0.4 + 0.7 * 0.889 passes 1), and one facing away from the light is dark, which is how a
// flipped normal stands out. The page's script lights the same way.
Point3 lightOf(const Camera& cam) {
    Point3 l{2 * cam.eye.x + cam.up.x + 0.25 * cam.right.x,
             2 * cam.eye.y + cam.up.y + 0.25 * cam.right.y,
             2 * cam.eye.z + cam.up.z + 0.25 * cam.right.z};
    const double n = std::sqrt(dot(l, l));
    return {l.x / n, l.y / n, l.z / n};
}

Rgb shade(Rgb c, double facing) {
    const double lit = std::min(1.0, 0.4 + 0.7 * std::max(0.0, facing));
    auto f = [lit](unsigned char v) { return static_cast<unsigned char>(std::lround(v * lit)); };
    return {f(c.r), f(c.g), f(c.b)};
}

void appendLegend(std::string& out, const Drawing3D& d, std::string_view view, bool bySide,
                  double left, const std::vector<std::int64_t>& patches) {
    double y = 24;
    auto text = [&](const std::string& s, bool bold = false) {
        appendf(out, "<text x=\"%.0f\" y=\"%.0f\"%s>", left, y,
                bold ? " font-weight=\"bold\"" : "");
        out += escapeMarkup(s);
        out += "</text>\n";
        y += 18;
    };
    auto swatch = [&](Rgb c, const std::string& s) {
        appendf(out, "<rect x=\"%.0f\" y=\"%.0f\" width=\"16\" height=\"11\" fill=\"%s\"/>\n", left,
                y - 10, hex(c).c_str());
        appendf(out, "<text x=\"%.0f\" y=\"%.0f\">", left + 24, y);
        out += escapeMarkup(s);
        out += "</text>\n";
        y += 18;
    };
    out += "<g id=\"legend\" font-family=\"sans-serif\" font-size=\"13\" fill=\"#000000\">\n";
    text(d.title, true);
    text("view " + std::string(view));
    if (d.isSphere) {
        char s[64];
        std::snprintf(s, sizeof s, "sphere, radius %g", d.radius);
        text(s);
    } else {
        text(std::to_string(d.faces.size()) + " faces, " + std::to_string(d.edges.size()) +
             " edges");
        if (bySide) {
            swatch(sideColour('v'), "side v: convex");
            swatch(sideColour('c'), "side c: concave or flat");
            swatch(sideColour('m'), "side m: mixed or open");
        } else {
            text(std::to_string(patches.size()) + " patches");
            const std::size_t listed = std::min(patches.size(), kListedPatches);
            for (std::size_t r = 0; r < listed; ++r)
                swatch(rankColour(r), "patch " + std::to_string(patches[r]));
            if (patches.size() > listed)
                text("... and " + std::to_string(patches.size() - listed) + " more");
        }
        if (d.edges.size() <= kMostDrawnEdges) {
            swatch(edgeClassColour('o'), "convex edge");
            swatch(edgeClassColour('i'), "concave edge");
        } else {
            text("convex and concave edges: drawn");
            text("up to " + std::to_string(kMostDrawnEdges) + " edges");
        }
        swatch(edgeClassColour('h'), "open edge");
    }
    out += "</g>\n";
}

// Meridians and parallels of the sphere; the half facing away is drawn light.
void appendWireSphere(std::string& out, const Drawing3D& d, const Camera& cam, const Fit& fit) {
    std::string front, back;
    const int steps = 64;
    auto point = [&](double lat, double lon) {
        return Point3{d.centre.x + d.radius * std::cos(lat) * std::sin(lon),
                      d.centre.y + d.radius * std::sin(lat),
                      d.centre.z + d.radius * std::cos(lat) * std::cos(lon)};
    };
    auto segment = [&](Point3 a, Point3 b) {
        const Point3 mid{(a.x + b.x) / 2 - d.centre.x, (a.y + b.y) / 2 - d.centre.y,
                         (a.z + b.z) / 2 - d.centre.z};
        std::string& path = dot(mid, cam.eye) >= 0 ? front : back;
        appendf(path, "M%.2f %.2fL%.2f %.2f", fit.x(dot(a, cam.right)), fit.y(dot(a, cam.up)),
                fit.x(dot(b, cam.right)), fit.y(dot(b, cam.up)));
    };
    const double pi = std::numbers::pi;
    for (int m = 0; m < 12; ++m)
        for (int s = 0; s < steps; ++s) {
            const double a = -pi / 2 + pi * s / steps;
            segment(point(a, m * pi / 6), point(a + pi / steps, m * pi / 6));
        }
    for (int p = 1; p < 12; ++p)
        for (int s = 0; s < steps; ++s) {
            const double a = 2 * pi * s / steps;
            segment(point(-pi / 2 + p * pi / 12, a),
                    point(-pi / 2 + p * pi / 12, a + 2 * pi / steps));
        }
    out += "<path id=\"sphere-back\" fill=\"none\" stroke=\"#c6d9ec\" d=\"" + back + "\"/>\n";
    out += "<path id=\"sphere-front\" fill=\"none\" stroke=\"" + hex(rankColour(0)) +
           "\" stroke-width=\"1.5\" d=\"" + front + "\"/>\n";
}

} // namespace

std::string svg3D(const Drawing3D& d, std::string_view view, bool bySide) {
    const Camera cam = *cameraFor(view);
    Bounds2 bounds;
    for (std::size_t v = 0; v < d.vertices.size(); ++v) {
        const Point3 p = worldOf(d, v);
        bounds.add(dot(p, cam.right), dot(p, cam.up));
    }
    if (d.isSphere) {
        const double cx = dot(d.centre, cam.right), cy = dot(d.centre, cam.up);
        bounds.add(cx - d.radius, cy - d.radius);
        bounds.add(cx + d.radius, cy + d.radius);
    }
    const Fit fit(bounds, kDrawSize, kMargin);
    const Point3 light = lightOf(cam);

    std::vector<std::int64_t> numbers;
    numbers.reserve(d.faces.size());
    for (const ProxyFace& f : d.faces)
        numbers.push_back(f.patch);
    const std::vector<std::int64_t> patches = distinctPatches(std::move(numbers));

    // Screen positions and depths once per vertex.
    std::vector<double> sx(d.vertices.size()), sy(d.vertices.size()), depth(d.vertices.size());
    for (std::size_t v = 0; v < d.vertices.size(); ++v) {
        const Point3 p = worldOf(d, v);
        sx[v] = fit.x(dot(p, cam.right));
        sy[v] = fit.y(dot(p, cam.up));
        depth[v] = dot(p, cam.eye);
    }
    std::vector<Item> items;
    items.reserve(d.faces.size() + d.edges.size());
    for (std::size_t f = 0; f < d.faces.size(); ++f) {
        const auto& c = d.faces[f].vtx;
        items.push_back({(depth[c[0]] + depth[c[1]] + depth[c[2]]) / 3, f});
    }
    // Flat edges are never drawn; convex and concave ones only where they leave the faces
    // visible; open edges always, as they are few and worth seeing.
    const bool sparse = d.edges.size() <= kMostDrawnEdges;
    // An edge sits a hair in front of the faces it borders, so it is painted over them.
    const double lift = 1e-6 * (kDrawSize - 2 * kMargin) / fit.scale;
    for (std::size_t e = 0; e < d.edges.size(); ++e) {
        const ProxyEdge& edge = d.edges[e];
        if (edge.type == 'n' || (edge.type != 'h' && !sparse)) continue;
        items.push_back({(depth[edge.vtx1] + depth[edge.vtx2]) / 2 + lift, d.faces.size() + e});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.depth < b.depth; });

    const double width = fit.width + kLegendWidth;
    const double height = std::max(fit.height, 24.0 + 18 * (12 + kListedPatches));
    std::string out;
    appendSvgStart(out, width, height, fit, d.title);
    out += "<g id=\"shape\" stroke-linejoin=\"round\">\n";
    for (const Item& item : items) {
        if (item.index < d.faces.size()) {
            const ProxyFace& f = d.faces[item.index];
            const Rgb base = bySide ? sideColour(f.side) : rankColour(patchRank(patches, f.patch));
            const std::string colour = hex(shade(base, dot(f.norm, light)));
            // The stroke in the fill colour closes the hair-line seams between neighbours.
            out +=
                "<path fill=\"" + colour + "\" stroke=\"" + colour + "\" stroke-width=\"0.6\" d=\"";
            appendPoint(out, 'M', sx[f.vtx[0]], sy[f.vtx[0]]);
            appendPoint(out, 'L', sx[f.vtx[1]], sy[f.vtx[1]]);
            appendPoint(out, 'L', sx[f.vtx[2]], sy[f.vtx[2]]);
            out += "Z\"/>\n";
        } else {
            const ProxyEdge& e = d.edges[item.index - d.faces.size()];
            appendf(out, "<path stroke=\"%s\" stroke-width=\"1.2\" d=\"M%.2f %.2fL%.2f %.2f\"/>\n",
                    hex(edgeClassColour(e.type)).c_str(), sx[e.vtx1], sy[e.vtx1], sx[e.vtx2],
                    sy[e.vtx2]);
        }
    }
    out += "</g>\n";
    if (d.isSphere) appendWireSphere(out, d, cam, fit);
    appendLegend(out, d, view, bySide, fit.width + 10, patches);
    out += "</svg>\n";
    return out;
}

} // namespace hbxview
