// The shapes hbxview draws: plain records holding only what a picture needs. They are filled
// from the reader's records (load_drawing.h), so the renderers never see a parser and the parser
// never sees a picture.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace hbxview {

struct Point2 {
    double x = 0;
    double y = 0;
};

struct Point3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

// One outline vertex of a 2D proxy: its type letter ('o' convex, 'i' reflex, 'n' straight),
// its position and its safe point, both relative to the drawing's centre as in the file.
struct OutlineVertex {
    char type = 'n';
    Point2 pos;
    Point2 safe;
};

// One outline edge: its type letter ('c', 'v', 'm'), the 0-based numbers of its two vertices,
// its outward unit normal and its patch number.
struct OutlineEdge {
    char type = 'v';
    std::size_t vtx1 = 0;
    std::size_t vtx2 = 0;
    Point2 norm;
    std::int64_t patch = 0;
};

// A 2D Shape File: a circle (isCircle) or a proxy outline. An empty proxy (no records) has no
// vertices and no edges.
struct Drawing2D {
    std::string title;
    bool isCircle = false;
    double radius = 0;
    Point2 centre;
    std::vector<OutlineVertex> vertices;
    std::vector<OutlineEdge> edges;
};

struct ProxyVertex {
    char type = 'n';
    Point3 pos;
};

// A 3D edge line: class letter ('o' convex, 'i' concave, 'n' flat, 'h' open) and its two
// 0-based vertex numbers.
struct ProxyEdge {
    char type = 'n';
    std::size_t vtx1 = 0;
    std::size_t vtx2 = 0;
};

// A 3D face line: side letter ('v', 'c', 'm'), its 0-based corners, face normal, patch number.
struct ProxyFace {
    char side = 'c';
    std::array<std::size_t, 3> vtx{};
    Point3 norm;
    std::int64_t patch = 0;
};

// A 3D Shape File: a sphere (isSphere) or a proxy. Vertex positions are as in the file, relative
// to the centre; the renderers add the centre back.
struct Drawing3D {
    std::string title;
    bool isSphere = false;
    double radius = 0;
    Point3 centre;
    std::vector<ProxyVertex> vertices;
    std::vector<ProxyEdge> edges;
    std::vector<ProxyFace> faces;
};

} // namespace hbxview
