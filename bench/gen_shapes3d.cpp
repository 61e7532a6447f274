// 3D benchmark meshes: sphere, torus, bumpy sphere, terrain patch and coil.
//
// Sizes are chosen so that the bends the tools look for stand well above their
// 0.0001 tolerance and float rounding stays well below it: a convex surface
// reads as convex, a dent as concave, and patch splits come from the shape,
// not from noise.
#include "bench/gen_mesh.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace hbxbench {
namespace {

constexpr double kPi = 3.14159265358979323846;

long long atLeast(long long v, long long lo) {
    return v < lo ? lo : v;
}

// A sphere of latitude rings around the z axis with evenly sized triangles,
// as a scanned or sculpted surface has them: `bands` bands between the poles,
// ring j holding about 2 * bands * sin(theta_j) vertices, so neighbouring
// rings are about as far apart as the vertices on a ring. Neighbouring rings
// are joined by a zipper that always takes the side whose next edge has the
// smaller middle angle (for two parallel circles that is their convex hull),
// and every other ring is turned by half a step, so no four vertices of
// neighbouring triangles lie in one plane. radiusAt(x, y, z) gives the radius
// in the direction of the unit vector (x, y, z). The triangle count is the
// even number nearest to `triangles` (at least 2 * bands rings' worth).
template <class RadiusFn> GenMesh ringSphere(long long triangles, RadiusFn radiusAt) {
    const long long bands =
        atLeast(std::llround(std::sqrt(kPi * static_cast<double>(triangles) / 8.0)), 3);
    const long long rings = bands - 1;
    // Ring sizes: proportional to sin(theta), at least 3, summing to half
    // the triangle count (every ring vertex ends up in two triangles' worth
    // of the band on either side).
    std::vector<long long> count(static_cast<std::size_t>(rings + 1), 0);
    double sinSum = 0.0;
    for (long long j = 1; j <= rings; ++j)
        sinSum += std::sin(kPi * static_cast<double>(j) / static_cast<double>(bands));
    const long long half = atLeast((triangles + 1) / 2, 3 * rings);
    long long total = 0;
    for (long long j = 1; j <= rings; ++j) {
        const double share =
            std::sin(kPi * static_cast<double>(j) / static_cast<double>(bands)) / sinSum;
        count[static_cast<std::size_t>(j)] =
            atLeast(std::llround(share * static_cast<double>(half)), 3);
        total += count[static_cast<std::size_t>(j)];
    }
    // Rounding leftovers go to the rings nearest the equator, one each.
    for (long long step = 0; total != half; ++step) {
        const long long j = bands / 2 + ((step % 2) ? -(step / 2 + 1) : step / 2) % (rings / 2 + 1);
        long long& c = count[static_cast<std::size_t>(std::min(std::max(j, 1LL), rings))];
        if (total < half) {
            ++c;
            ++total;
        } else if (c > 3) {
            --c;
            --total;
        }
    }

    GenMesh mesh;
    mesh.is3d = true;
    mesh.pos.reserve(static_cast<std::size_t>((half + 2) * 3));
    mesh.tri.reserve(static_cast<std::size_t>(2 * half * 3));
    auto place = [&](double ux, double uy, double uz) {
        const double r = radiusAt(ux, uy, uz);
        return mesh.addVertex(r * ux, r * uy, r * uz);
    };
    const int32_t north = place(0.0, 0.0, 1.0);
    std::vector<int32_t> first(static_cast<std::size_t>(rings + 1), 0);
    auto offset = [](long long j) { return (j % 2) ? 0.5 : 0.0; };
    for (long long j = 1; j <= rings; ++j) {
        const double theta = kPi * static_cast<double>(j) / static_cast<double>(bands);
        const double st = std::sin(theta), ct = std::cos(theta);
        const long long n = count[static_cast<std::size_t>(j)];
        first[static_cast<std::size_t>(j)] = mesh.vertexCount();
        for (long long k = 0; k < n; ++k) {
            const double phi =
                2.0 * kPi * (static_cast<double>(k) + offset(j)) / static_cast<double>(n);
            place(st * std::cos(phi), st * std::sin(phi), ct);
        }
    }
    const int32_t south = place(0.0, 0.0, -1.0);

    auto vertex = [&](long long j, long long k) {
        return static_cast<int32_t>(first[static_cast<std::size_t>(j)] +
                                    k % count[static_cast<std::size_t>(j)]);
    };
    for (long long k = 0; k < count[1]; ++k)
        mesh.addTriangle(north, vertex(1, k), vertex(1, k + 1));
    for (long long j = 1; j < rings; ++j) {
        const long long na = count[static_cast<std::size_t>(j)],
                        nb = count[static_cast<std::size_t>(j + 1)];
        // Middle angle of edge k of a ring, in turns.
        auto middle = [&](long long ring, long long k, long long n) {
            return (static_cast<double>(k) + offset(ring) + 0.5) / static_cast<double>(n);
        };
        long long a = 0, b = 0;
        while (a < na || b < nb) {
            if (b == nb || (a < na && middle(j, a, na) < middle(j + 1, b, nb))) {
                mesh.addTriangle(vertex(j, a), vertex(j + 1, b), vertex(j, a + 1));
                ++a;
            } else {
                mesh.addTriangle(vertex(j, a), vertex(j + 1, b), vertex(j + 1, b + 1));
                ++b;
            }
        }
    }
    for (long long k = 0; k < count[static_cast<std::size_t>(rings)]; ++k) {
        mesh.addTriangle(south, vertex(rings, k + 1), vertex(rings, k));
    }
    return mesh;
}

// A closed tube: `around` vertices per ring, rings + 1 rings along a path,
// quads split into two triangles. ringPoint(i, j, out) gives vertex j of ring
// i; going from vertex j to vertex j + 1 must turn about the path's backward
// direction, so that the quads face outwards. The two ends are closed by fans
// around their centres (centre(0, out), centre(1, out)).
template <class RingPoint, class Centre>
GenMesh closedTube(long long rings, long long around, RingPoint ringPoint, Centre centre) {
    GenMesh mesh;
    mesh.is3d = true;
    mesh.pos.reserve(static_cast<std::size_t>(((rings + 1) * around + 2) * 3));
    mesh.tri.reserve(static_cast<std::size_t>((2 * rings * around + 2 * around) * 3));
    for (long long i = 0; i <= rings; ++i) {
        for (long long j = 0; j < around; ++j) {
            double p[3];
            ringPoint(i, j, p);
            mesh.addVertex(p[0], p[1], p[2]);
        }
    }
    auto at = [&](long long i, long long j) {
        return static_cast<int32_t>(i * around + (j % around));
    };
    for (long long i = 0; i < rings; ++i) {
        for (long long j = 0; j < around; ++j) {
            mesh.addTriangle(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            mesh.addTriangle(at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
    }
    double c[3];
    centre(0, c);
    const int32_t start = mesh.addVertex(c[0], c[1], c[2]);
    centre(1, c);
    const int32_t end = mesh.addVertex(c[0], c[1], c[2]);
    for (long long j = 0; j < around; ++j) {
        mesh.addTriangle(start, at(0, j), at(0, j + 1));
        mesh.addTriangle(end, at(rings, j + 1), at(rings, j));
    }
    return mesh;
}

} // namespace

// A sphere of radius 100: every edge convex or flat, every face convex.
GenMesh makeSphere(long long triangles, uint64_t) {
    return ringSphere(triangles, [](double, double, double) { return 100.0; });
}

// A sphere of radius 100 with smooth seeded dents (mostly) and bumps: Gaussian
// profiles over the angle from random centres, 6 to 25 degrees wide.
GenMesh makeBumpySphere(long long triangles, uint64_t seed) {
    return bumpySphere(triangles, seed, 1.0);
}

void randomBumpCentre(SeededRandom& random, SphereBump& b) {
    // A uniform direction: z uniform in [-1, 1), angle uniform.
    const double z = random.uniform(-1.0, 1.0);
    const double phi = random.uniform(0.0, 2.0 * kPi);
    const double s = std::sqrt(1.0 - z * z);
    b.x = s * std::cos(phi);
    b.y = s * std::sin(phi);
    b.z = z;
}

double bumpedRadius(const std::vector<SphereBump>& bumps, double base, double x, double y,
                    double z) {
    double r = base;
    for (const SphereBump& b : bumps) {
        // 2 - 2 cos(angle) is the squared chord, about the squared angle.
        const double chord2 = 2.0 - 2.0 * (x * b.x + y * b.y + z * b.z);
        const double e = chord2 * b.inverseWidth;
        if (e < 30.0) r += b.height * std::exp(-e);
    }
    return r;
}

// The same sphere scaled by `scale` (exactly the above at 1).
GenMesh bumpySphere(long long triangles, uint64_t seed, double scale) {
    SeededRandom random(seed);
    std::vector<SphereBump> bumps(64);
    for (SphereBump& b : bumps) {
        randomBumpCentre(random, b);
        b.height =
            random.uniform(0.0, 1.0) < 0.75 ? random.uniform(-9.0, -3.0) : random.uniform(2.0, 5.0);
        const double width = random.uniform(0.1, 0.45);
        b.inverseWidth = 1.0 / (width * width);
    }
    return ringSphere(triangles, [&](double x, double y, double z) {
        return scale * bumpedRadius(bumps, 100.0, x, y, z);
    });
}

// A ring torus around the z axis with radii `major` and `minor`: a grid of
// `axis` vertices around the axis by `tube` around the tube, each quad split
// into two triangles (2 * axis * tube in all).
GenMesh torusGrid(long long axis, long long tube, double major, double minor) {
    GenMesh mesh;
    mesh.is3d = true;
    mesh.pos.reserve(static_cast<std::size_t>(axis * tube * 3));
    mesh.tri.reserve(static_cast<std::size_t>(2 * axis * tube * 3));
    for (long long i = 0; i < axis; ++i) {
        const double u = 2.0 * kPi * static_cast<double>(i) / static_cast<double>(axis);
        for (long long j = 0; j < tube; ++j) {
            const double v = 2.0 * kPi * static_cast<double>(j) / static_cast<double>(tube);
            const double ring = major + minor * std::cos(v);
            mesh.addVertex(ring * std::cos(u), ring * std::sin(u), minor * std::sin(v));
        }
    }
    auto at = [&](long long i, long long j) {
        return static_cast<int32_t>((i % axis) * tube + (j % tube));
    };
    for (long long i = 0; i < axis; ++i) {
        for (long long j = 0; j < tube; ++j) {
            mesh.addTriangle(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            mesh.addTriangle(at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
    }
    return mesh;
}

// A ring torus around the z axis: radii 60 and 20, three times as many
// vertices around the axis as around the tube. Convex outside, saddle inside.
GenMesh makeTorus(long long triangles, uint64_t) {
    const long long tube =
        atLeast(std::llround(std::sqrt(static_cast<double>(triangles) / 6.0)), 3);
    const long long axis =
        atLeast(std::llround(static_cast<double>(triangles) / static_cast<double>(2 * tube)), 3);
    return torusGrid(axis, tube, 60.0, 20.0);
}

// A 100-wide height field with an open border: seeded hills and pits (Gaussian,
// 3 to 12 wide, up to 4 high) over a gentle swell.
GenMesh makeTerrain(long long triangles, uint64_t seed) {
    const long long nx = atLeast(std::llround(std::sqrt(static_cast<double>(triangles) / 2.0)), 1);
    const long long ny =
        atLeast(std::llround(static_cast<double>(triangles) / static_cast<double>(2 * nx)), 1);
    struct Hill {
        double x, y, height, inverseWidth;
    };
    SeededRandom random(seed);
    const double sizeX = 100.0, sizeY = 100.0 * static_cast<double>(ny) / static_cast<double>(nx);
    std::vector<Hill> hills(40);
    for (Hill& h : hills) {
        h.x = random.uniform(-0.5, 0.5) * sizeX;
        h.y = random.uniform(-0.5, 0.5) * sizeY;
        h.height = random.uniform(-4.0, 4.0);
        const double width = random.uniform(3.0, 12.0);
        h.inverseWidth = 1.0 / (width * width);
    }
    const double phase = random.uniform(0.0, 2.0 * kPi);

    GenMesh mesh;
    mesh.is3d = true;
    mesh.pos.reserve(static_cast<std::size_t>((nx + 1) * (ny + 1) * 3));
    mesh.tri.reserve(static_cast<std::size_t>(2 * nx * ny * 3));
    for (long long j = 0; j <= ny; ++j) {
        const double y = (static_cast<double>(j) / static_cast<double>(ny) - 0.5) * sizeY;
        for (long long i = 0; i <= nx; ++i) {
            const double x = (static_cast<double>(i) / static_cast<double>(nx) - 0.5) * sizeX;
            double z = 1.5 * std::sin(x * 0.05 + phase) * std::cos(y * 0.04);
            for (const Hill& h : hills) {
                const double e = ((x - h.x) * (x - h.x) + (y - h.y) * (y - h.y)) * h.inverseWidth;
                if (e < 30.0) z += h.height * std::exp(-e);
            }
            mesh.addVertex(x, y, z);
        }
    }
    auto at = [&](long long i, long long j) { return static_cast<int32_t>(j * (nx + 1) + i); };
    for (long long j = 0; j < ny; ++j) {
        for (long long i = 0; i < nx; ++i) {
            mesh.addTriangle(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            mesh.addTriangle(at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
    }
    mesh.openEdges = 2 * (nx + ny);
    return mesh;
}

// A closed tube (radius 1.6, 12 vertices around) swept along a helix of
// radius 10 and pitch 4, 24 segments per turn, as many turns as the triangle
// count asks for (about 174 at 100,000 triangles). The outer side of the tube
// is convex along the whole helix, so its convex run wraps around itself
// turn after turn.
GenMesh makeCoil(long long triangles, uint64_t) {
    const long long around = 12, perTurn = 24;
    const long long rings = atLeast(
        std::llround(static_cast<double>(triangles - 2 * around) / static_cast<double>(2 * around)),
        1);
    const double helix = 10.0, tube = 1.6, pitch = 4.0;
    const double rise = pitch / (2.0 * kPi);
    const double tangentLength = std::sqrt(helix * helix + rise * rise);

    auto frameAt = [&](long long i, double* centre, double* tangent, double* outward,
                       double* binormal) {
        const double t = 2.0 * kPi * static_cast<double>(i) / static_cast<double>(perTurn);
        const double c = std::cos(t), s = std::sin(t);
        centre[0] = helix * c;
        centre[1] = helix * s;
        centre[2] = rise * t;
        tangent[0] = -helix * s / tangentLength;
        tangent[1] = helix * c / tangentLength;
        tangent[2] = rise / tangentLength;
        outward[0] = c; // away from the helix axis
        outward[1] = s;
        outward[2] = 0.0;
        // binormal = tangent x (towards the axis) = outward x tangent
        binormal[0] = outward[1] * tangent[2] - outward[2] * tangent[1];
        binormal[1] = outward[2] * tangent[0] - outward[0] * tangent[2];
        binormal[2] = outward[0] * tangent[1] - outward[1] * tangent[0];
    };
    auto ringPoint = [&](long long i, long long j, double* p) {
        double centre[3], tangent[3], outward[3], binormal[3];
        frameAt(i, centre, tangent, outward, binormal);
        const double psi = 2.0 * kPi * static_cast<double>(j) / static_cast<double>(around);
        const double a = tube * std::cos(psi), b = tube * std::sin(psi);
        for (int k = 0; k < 3; ++k)
            p[k] = centre[k] + a * outward[k] + b * binormal[k];
    };
    auto endCentre = [&](int end, double* p) {
        double tangent[3], outward[3], binormal[3];
        frameAt(end ? rings : 0, p, tangent, outward, binormal);
    };
    return closedTube(rings, around, ringPoint, endCentre);
}

} // namespace hbxbench
