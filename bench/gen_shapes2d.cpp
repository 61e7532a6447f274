// 2D benchmark meshes: disc, gear, plate with holes, jagged polygon and spiral
// bands of many or few turns. All lie in z = 0 with counter-clockwise
// triangles.
//
// No general triangulator: every mesh is made of rings (scaled copies of a
// star-shaped outline, or concentric circles joined by a zipper) and strips
// between two polylines, which keeps generation linear and the triangles
// valid by construction.
#include "bench/gen_mesh.h"

#include <cmath>

namespace hbxbench {
namespace {

constexpr double kPi = 3.14159265358979323846;

long long atLeast(long long v, long long lo) {
    return v < lo ? lo : v;
}

// A star-shaped polygon of `count` points around the origin (outline(k, x, y)
// gives point k, counter-clockwise), filled with `rings` scaled copies
// (1/rings, 2/rings, ..., 1) joined by quads and a fan around the origin.
// Triangles: count * (2 * rings - 1); the outline is the outermost copy.
template <class Outline> GenMesh starRings(long long count, long long rings, Outline outline) {
    GenMesh mesh;
    mesh.is3d = false;
    mesh.pos.reserve(static_cast<std::size_t>((count * rings + 1) * 3));
    mesh.tri.reserve(static_cast<std::size_t>(count * (2 * rings - 1) * 3));
    const int32_t centre = mesh.addVertex(0.0, 0.0, 0.0);
    for (long long s = 1; s <= rings; ++s) {
        const double scale = static_cast<double>(s) / static_cast<double>(rings);
        for (long long k = 0; k < count; ++k) {
            double x, y;
            outline(k, x, y);
            mesh.addVertex(scale * x, scale * y, 0.0);
        }
    }
    auto at = [&](long long s, long long k) {
        return static_cast<int32_t>(1 + (s - 1) * count + (k % count));
    };
    for (long long k = 0; k < count; ++k)
        mesh.addTriangle(centre, at(1, k), at(1, k + 1));
    for (long long s = 1; s < rings; ++s) {
        for (long long k = 0; k < count; ++k) {
            mesh.addTriangle(at(s, k), at(s + 1, k), at(s + 1, k + 1));
            mesh.addTriangle(at(s, k), at(s + 1, k + 1), at(s, k + 1));
        }
    }
    mesh.openEdges = count;
    return mesh;
}

// Joins two concentric rings, the inner one of `innerCount` vertices from
// index `inner` on and the outer one of `outerCount` from `outer` on, both
// starting at angle 0 and evenly spaced. The zipper always takes the side
// whose next edge has the smaller middle angle. Triangles: innerCount +
// outerCount.
void zipRings(GenMesh& mesh, int32_t inner, long long innerCount, int32_t outer,
              long long outerCount) {
    long long i = 0, j = 0;
    auto a = [&](long long k) { return static_cast<int32_t>(inner + k % innerCount); };
    auto b = [&](long long k) { return static_cast<int32_t>(outer + k % outerCount); };
    while (i < innerCount || j < outerCount) {
        // middle angle of inner edge i < that of outer edge j, in integers
        const bool takeInner = j == outerCount || (i < innerCount && (2 * i + 1) * outerCount <
                                                                         (2 * j + 1) * innerCount);
        if (takeInner) {
            mesh.addTriangle(a(i), b(j), a(i + 1));
            ++i;
        } else {
            mesh.addTriangle(a(i), b(j), b(j + 1));
            ++j;
        }
    }
}

} // namespace

// A disc of radius 10: concentric rings of 6, 12, 18, ... vertices and a rim
// that takes about an eighth of the triangles (125,000 rim edges at 1,000,000
// triangles). The triangle count is met exactly (at least 100).
GenMesh makeDisc(long long triangles, uint64_t) {
    triangles = atLeast(triangles, 100);
    // rings 1 .. J - 1 hold 6j vertices; with a rim of c vertices the count is
    // 6 J (J - 1) + c.
    long long J = atLeast(
        static_cast<long long>(std::sqrt(7.0 * static_cast<double>(triangles) / 48.0) + 0.5), 2);
    while (J > 2 && triangles - 6 * J * (J - 1) < 6 * J)
        --J;
    const long long rim = triangles - 6 * J * (J - 1);
    const double radius = 10.0;

    GenMesh mesh;
    mesh.is3d = false;
    const int32_t centre = mesh.addVertex(0.0, 0.0, 0.0);
    std::vector<int32_t> first(static_cast<std::size_t>(J + 1));
    for (long long j = 1; j <= J; ++j) {
        const long long count = j < J ? 6 * j : rim;
        const double r = radius * static_cast<double>(j) / static_cast<double>(J);
        first[static_cast<std::size_t>(j)] = mesh.vertexCount();
        for (long long k = 0; k < count; ++k) {
            const double phi = 2.0 * kPi * static_cast<double>(k) / static_cast<double>(count);
            mesh.addVertex(r * std::cos(phi), r * std::sin(phi), 0.0);
        }
    }
    for (long long k = 0; k < 6; ++k) {
        mesh.addTriangle(centre, first[1] + static_cast<int32_t>(k),
                         first[1] + static_cast<int32_t>((k + 1) % 6));
    }
    for (long long j = 1; j < J; ++j) {
        zipRings(mesh, first[static_cast<std::size_t>(j)], 6 * j,
                 first[static_cast<std::size_t>(j + 1)], j + 1 < J ? 6 * (j + 1) : rim);
    }
    mesh.openEdges = rim;
    return mesh;
}

// A gear of root radius 50 with trapezoid teeth, 16 outline vertices per
// tooth (about 6,900 teeth and 111,000 outline edges at 1,000,000 triangles).
GenMesh makeGear(long long triangles, uint64_t) {
    const long long perTooth = 16, rings = 5;
    const long long teeth = atLeast(std::llround(static_cast<double>(triangles) /
                                                 static_cast<double>(perTooth * (2 * rings - 1))),
                                    6);
    const long long count = teeth * perTooth;
    const double root = 50.0;
    const double height = 0.35 * 2.0 * kPi * root / static_cast<double>(teeth);
    static const double kProfile[16] = {0, 0, 0, 0, 0, 0.25, 0.5, 0.75,
                                        1, 1, 1, 1, 1, 0.75, 0.5, 0.25};
    return starRings(count, rings, [&](long long k, double& x, double& y) {
        const double phi = 2.0 * kPi * static_cast<double>(k) / static_cast<double>(count);
        const double r = root + height * kProfile[k % perTooth];
        x = r * std::cos(phi);
        y = r * std::sin(phi);
    });
}

// A star-shaped polygon of radius about 10 with a seeded wobble and a seeded
// jag of a few edge lengths at every vertex, so that its corners turn either
// way at random (about 111,000 outline edges at 1,000,000 triangles).
GenMesh makeJagged(long long triangles, uint64_t seed) {
    const long long rings = 5;
    const long long count = atLeast(
        std::llround(static_cast<double>(triangles) / static_cast<double>(2 * rings - 1)), 16);
    SeededRandom random(seed);
    const double phase1 = random.uniform(0.0, 2.0 * kPi), phase2 = random.uniform(0.0, 2.0 * kPi);
    const double radius = 10.0;
    const double step = 2.0 * kPi / static_cast<double>(count);
    const double edge = radius * step;
    std::vector<double> xy(static_cast<std::size_t>(2 * count));
    for (long long k = 0; k < count; ++k) {
        const double phi = (static_cast<double>(k) + random.uniform(-0.3, 0.3)) * step;
        const double r = radius * (1.0 + 0.12 * std::sin(3.0 * phi + phase1) +
                                   0.06 * std::sin(7.0 * phi + phase2)) +
                         random.uniform(-2.5, 2.5) * edge;
        xy[static_cast<std::size_t>(2 * k)] = r * std::cos(phi);
        xy[static_cast<std::size_t>(2 * k + 1)] = r * std::sin(phi);
    }
    return starRings(count, rings, [&](long long k, double& x, double& y) {
        x = xy[static_cast<std::size_t>(2 * k)];
        y = xy[static_cast<std::size_t>(2 * k + 1)];
    });
}

// A plate of unit cells, each with a round hole of radius 0.3 in its middle:
// 32 vertices around every hole and every cell, four rings between them.
// 256 triangles and 32 hole edges per cell (about 125,000 outline edges at
// 1,000,000 triangles).
GenMesh makePlate(long long triangles, uint64_t) {
    const long long side = 8;           // points per cell side
    const long long perCell = 4 * side; // points around a cell and its hole
    const long long layers = 4;         // rings from the hole (0) to the cell square (layers)
    const long long cellTriangles = 2 * layers * perCell;
    // The cell grid closest to the asked-for count, among grids no more than
    // twice as wide as high (ties: the squarer one).
    const long long cells = atLeast(
        std::llround(static_cast<double>(triangles) / static_cast<double>(cellTriangles)), 1);
    long long gx = atLeast(std::llround(std::sqrt(static_cast<double>(cells))), 1);
    long long gy = atLeast(std::llround(static_cast<double>(cells) / static_cast<double>(gx)), 1);
    for (long long x = 1; x * x <= 2 * cells; ++x) {
        const long long y =
            atLeast(std::llround(static_cast<double>(cells) / static_cast<double>(x)), 1);
        if (y > 2 * x || x > 2 * y) continue;
        if (std::llabs(x * y - cells) <= std::llabs(gx * gy - cells)) {
            gx = x;
            gy = y;
        }
    }
    const double holeRadius = 0.3;

    GenMesh mesh;
    mesh.is3d = false;
    // Lattice points on the cell borders, shared by neighbouring cells:
    // horizontal lines y = j hold gx * side + 1 points each; vertical lines
    // x = i hold side - 1 further points per cell row.
    const long long lineLength = gx * side + 1;
    for (long long j = 0; j <= gy; ++j) {
        for (long long p = 0; p < lineLength; ++p) {
            mesh.addVertex(static_cast<double>(p) / static_cast<double>(side),
                           static_cast<double>(j), 0.0);
        }
    }
    const long long verticalBase = mesh.vertexCount();
    for (long long i = 0; i <= gx; ++i) {
        for (long long j = 0; j < gy; ++j) {
            for (long long k = 1; k < side; ++k) {
                mesh.addVertex(static_cast<double>(i),
                               static_cast<double>(j) +
                                   static_cast<double>(k) / static_cast<double>(side),
                               0.0);
            }
        }
    }
    auto horizontal = [&](long long j, long long p) {
        return static_cast<int32_t>(j * lineLength + p);
    };
    auto vertical = [&](long long i, long long j, long long k) {
        return static_cast<int32_t>(verticalBase + (i * gy + j) * (side - 1) + (k - 1));
    };
    // Point q of the square around cell (i, j), counter-clockwise from its
    // lower left corner.
    auto squarePoint = [&](long long i, long long j, long long q) {
        const long long k = q % side;
        switch (q / side) {
        case 0:
            return horizontal(j, i * side + k);
        case 1:
            return k == 0 ? horizontal(j, (i + 1) * side) : vertical(i + 1, j, k);
        case 2:
            return horizontal(j + 1, (i + 1) * side - k);
        default:
            return k == 0 ? horizontal(j + 1, i * side) : vertical(i, j, side - k);
        }
    };

    std::vector<int32_t> ring(static_cast<std::size_t>((layers + 1) * perCell));
    auto ringAt = [&](long long layer, long long q) -> int32_t& {
        return ring[static_cast<std::size_t>(layer * perCell + q % perCell)];
    };
    for (long long j = 0; j < gy; ++j) {
        for (long long i = 0; i < gx; ++i) {
            const double cx = static_cast<double>(i) + 0.5, cy = static_cast<double>(j) + 0.5;
            for (long long q = 0; q < perCell; ++q) {
                const int32_t outer = squarePoint(i, j, q);
                ringAt(layers, q) = outer;
                const double sx = mesh.pos[static_cast<std::size_t>(3 * outer)];
                const double sy = mesh.pos[static_cast<std::size_t>(3 * outer + 1)];
                const double dx = sx - cx, dy = sy - cy;
                const double len = std::sqrt(dx * dx + dy * dy);
                const double hx = cx + holeRadius * dx / len, hy = cy + holeRadius * dy / len;
                // Each ring point on the ray from the centre through the square
                // point, so the rings nest and the quads stay inside their sector.
                for (long long layer = 0; layer < layers; ++layer) {
                    const double t = static_cast<double>(layer) / static_cast<double>(layers);
                    ringAt(layer, q) = mesh.addVertex(hx + t * (sx - hx), hy + t * (sy - hy), 0.0);
                }
            }
            for (long long layer = 0; layer < layers; ++layer) {
                for (long long q = 0; q < perCell; ++q) {
                    const int32_t a0 = ringAt(layer, q), a1 = ringAt(layer, q + 1);
                    const int32_t b0 = ringAt(layer + 1, q), b1 = ringAt(layer + 1, q + 1);
                    mesh.addTriangle(a0, b0, b1);
                    mesh.addTriangle(a0, b1, a1);
                }
            }
        }
    }
    mesh.openEdges = gx * gy * perCell + 2 * (gx + gy) * side;
    return mesh;
}

namespace {

// A band `width` wide along the Archimedean spiral r = pitch * theta / (2 pi),
// from the angle `start` on, `perTurn` segments per turn, `segments` segments
// in all: two triangles per segment, and an outline of 2 * segments + 2 edges
// whose convex (outer) and concave (inner) sides wrap around themselves.
GenMesh spiralBand(long long segments, double perTurn, double start, double pitch, double width) {
    const double growth = pitch / (2.0 * kPi);
    GenMesh mesh;
    mesh.is3d = false;
    mesh.pos.reserve(static_cast<std::size_t>((segments + 1) * 6));
    mesh.tri.reserve(static_cast<std::size_t>(segments * 6));
    for (long long k = 0; k <= segments; ++k) {
        const double theta = start + 2.0 * kPi * static_cast<double>(k) / perTurn;
        const double r = growth * theta;
        const double c = std::cos(theta), s = std::sin(theta);
        mesh.addVertex(r * c, r * s, 0.0);
        mesh.addVertex((r + width) * c, (r + width) * s, 0.0);
    }
    for (long long k = 0; k < segments; ++k) {
        const int32_t i0 = static_cast<int32_t>(2 * k), o0 = i0 + 1, i1 = i0 + 2, o1 = i0 + 3;
        mesh.addTriangle(i0, o0, o1);
        mesh.addTriangle(i0, o1, i1);
    }
    mesh.openEdges = 2 * segments + 2;
    return mesh;
}

long long bandSegments(long long triangles) {
    return atLeast(std::llround(static_cast<double>(triangles) / 2.0), 4);
}

} // namespace

// A band 0.05 wide between two Archimedean spirals 0.1 apart, from two turns
// out, 400 segments per turn: the outline has about as many edges as the band
// has triangles (125 turns at 100,000), and its convex and concave sides wrap
// around themselves turn after turn.
GenMesh makeSpiral(long long triangles, uint64_t) {
    return spiralBand(bandSegments(triangles), 400.0, 4.0 * kPi, 0.1, 0.05);
}

// The same band in 20 turns, however many segments (2,500 per turn at
// 100,000 triangles): long turns that each lie close along the next.
GenMesh makeSpiral20(long long triangles, uint64_t) {
    const long long segments = bandSegments(triangles);
    return spiralBand(segments, static_cast<double>(segments) / 20.0, 4.0 * kPi, 0.1, 0.05);
}

// A band 0.08 wide in 3 turns 0.1 apart (a gap of 0.02 between the turns),
// from two turns out: few, very long turns (16,700 segments each at 100,000
// triangles) pressed close together.
GenMesh makeBand3(long long triangles, uint64_t) {
    const long long segments = bandSegments(triangles);
    return spiralBand(segments, static_cast<double>(segments) / 3.0, 4.0 * kPi, 0.1, 0.08);
}

} // namespace hbxbench
