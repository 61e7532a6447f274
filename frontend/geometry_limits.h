// The two numeric limits that the fits and both proxy builders share: which
// coordinates a mesh may hold, and how close to zero a value counts as zero.
#pragma once

#include <cmath>

namespace hbx {

// A coordinate is in range when it is finite and its magnitude stays below
// this bound (1e18 written in a file reads as the float nearest it, which is
// out of range). Differences of in-range coordinates stay below 2e18 and their
// squares and products below 4e36, under the float maximum of about 3.4e38,
// so lengths, normals and distances derived from them stay finite.
inline constexpr float kCoordinateBound = 1e18f;

inline bool coordinateInRange(float v) {
    return std::isfinite(v) && std::fabs(v) < kCoordinateBound;
}

// Values strictly between -kZeroSnap and kZeroSnap count as zero wherever a
// sign is taken or a near-zero component is stored: rounding noise in a
// normal, a distance from a line or a centre must not decide a side. The
// bound is a double, and the comparison is made in double.
inline constexpr double kZeroSnap = 0.0001;

inline float snapZero(float v) {
    if (v > -kZeroSnap && v < kZeroSnap) v = 0.0f;
    return v;
}

} // namespace hbx
