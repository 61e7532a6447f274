#include "hbxview/page3d.h"

#include "hbxview/palette.h"
#include "hbxview/text_out.h"
#include "hbxview/viewer_script.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace hbxview {

namespace {

static_assert(std::endian::native == std::endian::little,
              "the page's typed arrays are read as little-endian");

const char* const kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy"
      content="default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'">
<title>)";

const char* const kStyle = R"(</title>
<style>
html, body { margin: 0; height: 100%; overflow: hidden; background: #ffffff;
             font: 13px sans-serif; }
#hbx-canvas { display: block; position: absolute; left: 0; top: 0; }
.panel { position: absolute; background: rgba(255, 255, 255, 0.85); padding: 6px 8px;
         border: 1px solid #cccccc; }
#hbx-controls { left: 8px; top: 8px; }
#hbx-legend { right: 8px; top: 8px; }
#hbx-status { left: 8px; bottom: 8px; }
.swatch { display: inline-block; width: 14px; height: 10px; margin-right: 6px; }
</style>
</head>
<body>
<canvas id="hbx-canvas"></canvas>
<div class="panel" id="hbx-controls">
<b id="hbx-title">)";

const char* const kControls = R"(</b><br>
<label><input type="checkbox" id="hbx-by-side"> colour by side letter</label><br>
edges: <label><input type="checkbox" id="hbx-edge-o">convex</label>
<label><input type="checkbox" id="hbx-edge-i">concave</label>
<label><input type="checkbox" id="hbx-edge-h">open</label>
<label><input type="checkbox" id="hbx-edge-n">flat</label><br>
<label><input type="checkbox" id="hbx-normals"> face normals</label><br>
view: <button id="hbx-view-x">x</button> <button id="hbx-view-y">y</button>
<button id="hbx-view-z">z</button> <button id="hbx-view-iso">iso</button><br>
drag: orbit, right or shift drag: pan, wheel: zoom
</div>
<div class="panel" id="hbx-legend"></div>
<div class="panel" id="hbx-status" data-state="loading">loading</div>
)";

template <typename T>
void appendArray(std::string& out, const char* id, const std::vector<T>& data) {
    appendf(out, "<script type=\"application/octet-stream\" id=\"%s\">", id);
    appendBase64(out, data.data(), data.size() * sizeof(T));
    out += "</script>\n";
}

// A JSON string value with the same byte rules as escapeMarkup, so no title can end the script.
std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        if (ch == '"' || ch == '\\')
            out += '\\', out += ch;
        else if (ch == '<' || ch == '>' || ch == '&')
            appendf(out, "\\u%04x", ch);
        else
            out += (ch >= 0x20 && ch < 0x7f) ? ch : '?';
    }
    return out + "\"";
}

std::string rgbArray(Rgb c) {
    std::string out;
    appendf(out, "[%d,%d,%d]", c.r, c.g, c.b);
    return out;
}

// Everything the script needs besides the arrays: title, view, patch numbers in rank order (as
// strings: they may exceed what a JavaScript number holds exactly), the letter colours, a sphere.
std::string metaJson(const Drawing3D& d, std::string_view view,
                     const std::vector<std::int64_t>& patches) {
    std::string out = "{\"title\":" + jsonString(d.title) + ",\"view\":" + jsonString(view);
    out += ",\"patches\":[";
    for (std::size_t i = 0; i < patches.size(); ++i)
        appendf(out, "%s\"%lld\"", i ? "," : "", static_cast<long long>(patches[i]));
    out += "],\"sideColours\":{";
    const char sides[] = {'v', 'c', 'm'};
    for (std::size_t i = 0; i < 3; ++i)
        appendf(out, "%s\"%c\":%s", i ? "," : "", sides[i], rgbArray(sideColour(sides[i])).c_str());
    out += "},\"edgeColours\":{";
    const char classes[] = {'o', 'i', 'n', 'h'};
    for (std::size_t i = 0; i < 4; ++i)
        appendf(out, "%s\"%c\":%s", i ? "," : "", classes[i],
                rgbArray(edgeClassColour(classes[i])).c_str());
    out += "}";
    if (d.isSphere)
        appendf(out, ",\"sphere\":{\"radius\":%.9g,\"centre\":[%.9g,%.9g,%.9g]}", d.radius,
                d.centre.x, d.centre.y, d.centre.z);
    return out + "}";
}

std::int8_t packNormal(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<std::int8_t>(std::lround(std::clamp(v, -1.0, 1.0) * 127));
}

} // namespace

std::string page3D(const Drawing3D& d, std::string_view view) {
    std::vector<float> pos;
    pos.reserve(d.vertices.size() * 3);
    for (const ProxyVertex& v : d.vertices) {
        pos.push_back(static_cast<float>(v.pos.x + d.centre.x));
        pos.push_back(static_cast<float>(v.pos.y + d.centre.y));
        pos.push_back(static_cast<float>(v.pos.z + d.centre.z));
    }
    std::vector<std::int64_t> numbers;
    numbers.reserve(d.faces.size());
    for (const ProxyFace& f : d.faces)
        numbers.push_back(f.patch);
    const std::vector<std::int64_t> patches = distinctPatches(std::move(numbers));

    std::vector<std::uint32_t> tri, rank, edge;
    std::vector<std::int8_t> normal;
    std::vector<std::uint8_t> side, edgeClass, palette;
    tri.reserve(d.faces.size() * 3);
    normal.reserve(d.faces.size() * 3);
    rank.reserve(d.faces.size());
    side.reserve(d.faces.size());
    for (const ProxyFace& f : d.faces) {
        for (std::size_t corner : f.vtx)
            tri.push_back(static_cast<std::uint32_t>(corner));
        normal.push_back(packNormal(f.norm.x));
        normal.push_back(packNormal(f.norm.y));
        normal.push_back(packNormal(f.norm.z));
        rank.push_back(static_cast<std::uint32_t>(patchRank(patches, f.patch)));
        side.push_back(static_cast<std::uint8_t>(f.side));
    }
    edge.reserve(d.edges.size() * 2);
    edgeClass.reserve(d.edges.size());
    for (const ProxyEdge& e : d.edges) {
        edge.push_back(static_cast<std::uint32_t>(e.vtx1));
        edge.push_back(static_cast<std::uint32_t>(e.vtx2));
        edgeClass.push_back(static_cast<std::uint8_t>(e.type));
    }
    palette.reserve(patches.size() * 3);
    for (std::size_t r = 0; r < patches.size(); ++r) {
        const Rgb c = rankColour(r);
        palette.insert(palette.end(), {c.r, c.g, c.b});
    }

    std::string out;
    out.reserve(64 * 1024 + (pos.size() * 4 + tri.size() * 4 + normal.size() + rank.size() * 4 +
                             side.size() + edge.size() * 4 + edgeClass.size()) *
                                4 / 3);
    const std::string title = escapeMarkup(d.title);
    out += kHead;
    out += title;
    out += kStyle;
    out += title;
    out += kControls;
    out += "<script type=\"application/json\" id=\"hbx-meta\">" + metaJson(d, view, patches) +
           "</script>\n";
    appendArray(out, "hbx-pos", pos);
    appendArray(out, "hbx-tri", tri);
    appendArray(out, "hbx-nrm", normal);
    appendArray(out, "hbx-rank", rank);
    appendArray(out, "hbx-side", side);
    appendArray(out, "hbx-edge", edge);
    appendArray(out, "hbx-eclass", edgeClass);
    appendArray(out, "hbx-palette", palette);
    out += "<script>\n";
    out += kViewerScript;
    out += "</script>\n</body>\n</html>\n";
    return out;
}

} // namespace hbxview
