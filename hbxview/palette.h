// Colours of the pictures: a stable palette for patch numbers and fixed colours for letters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hbxview {

struct Rgb {
    unsigned char r = 0;
    unsigned char g = 0;
    unsigned char b = 0;
};

// The colour of the patch of the given rank: ranks 0 to 11 take twelve hand-picked colours that
// tell neighbours apart, later ranks walk round the hue circle by the golden angle. The same rank
// always gives the same colour.
Rgb rankColour(std::size_t rank);

// The distinct patch numbers of a file in ascending order; a patch's rank is its position here, so
// the colours of a file depend on its patch numbers only, not on the order of its lines.
// Reads: every patch number. Fills: the sorted distinct list.
std::vector<std::int64_t> distinctPatches(std::vector<std::int64_t> patches);

// The rank of a patch number in a list made by distinctPatches (binary search; the number must be
// in the list).
std::size_t patchRank(const std::vector<std::int64_t>& distinct, std::int64_t patch);

// Colours of the 3D side letters ('v' convex, 'c' concave or flat, 'm' mixed or open) and of the
// 3D edge classes ('o' convex, 'i' concave, 'n' flat, 'h' open); grey for anything else.
Rgb sideColour(char side);
Rgb edgeClassColour(char type);

// "#rrggbb".
std::string hex(Rgb c);

} // namespace hbxview
