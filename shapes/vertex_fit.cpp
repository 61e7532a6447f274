#include "shapes/vertex_fit.h"

#include "frontend/geometry_limits.h"
#include "frontend/line_reader.h"
#include "frontend/number_scan.h"

#include <cmath>
#include <vector>

namespace hbx {
namespace {

// A vertex line scanned as "%s %f %f %f": reading stops at the first number
// that cannot be read, leaving it and the ones after it 0.
void scanVertex(std::string_view line, int axes, float* xyz) {
    const char* p = line.data() + 1; // past the "v" word
    const char* end = line.data() + line.size();
    for (int a = 0; a < axes; ++a) {
        xyz[a] = 0.0f;
    }
    for (int a = 0; a < axes; ++a) {
        p = scanFloat(p, end, &xyz[a]);
        if (!p) break;
    }
}

} // namespace

BallFit fitBall(std::string_view objText, int axes) {
    // The text is scanned once; the bounds and the distances then run over
    // the collected coordinates in file order, which gives the same result
    // as reading the file again for each.
    BallFit fit;
    std::vector<float> coords;
    LineReader reader(objText, 256);
    std::string_view line;
    while (reader.nextRaw(line)) {
        if (line.size() < 2 || line[0] != 'v' || line[1] != ' ') continue;
        line = LineReader::cutAtNul(line);
        float xyz[3];
        scanVertex(line, axes, xyz);
        for (int a = 0; a < axes; ++a) {
            if (!coordinateInRange(xyz[a])) {
                fit.badVertex = static_cast<int>(coords.size() / static_cast<std::size_t>(axes));
                return fit;
            }
        }
        coords.insert(coords.end(), xyz, xyz + axes);
    }

    const std::size_t count = coords.size() / static_cast<std::size_t>(axes);
    if (count == 0) return fit;

    for (int a = 0; a < axes; ++a) {
        float lo = coords[a], hi = coords[a];
        for (std::size_t i = 1; i < count; ++i) {
            const float v = coords[i * axes + a];
            if (v > hi) hi = v;
            if (v < lo) lo = v;
        }
        const float s = hi + lo;
        float c = s;
        if (s != 0.0f) {
            c = s / 2.0f;
            c = snapZero(c);
        }
        fit.centre[a] = c;
    }

    float sum = 0.0f;
    for (std::size_t i = 0; i < count; ++i) {
        double sq = 0.0;
        for (int a = 0; a < axes; ++a) {
            const double d = static_cast<double>(coords[i * axes + a]) - fit.centre[a];
            sq += d * d;
        }
        sum = static_cast<float>(sum + std::sqrt(sq));
    }
    if (sum != 0.0f) fit.radius = sum / static_cast<float>(static_cast<int>(count));
    return fit;
}

} // namespace hbx
