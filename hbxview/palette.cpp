#include "hbxview/palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace hbxview {

namespace {

constexpr std::array<Rgb, 12> kPatchColours{{
    {31, 119, 180},  // blue
    {214, 39, 40},   // red
    {44, 160, 44},   // green
    {255, 127, 14},  // orange
    {148, 103, 189}, // purple
    {23, 190, 207},  // cyan
    {227, 119, 194}, // pink
    {140, 86, 75},   // brown
    {188, 189, 34},  // olive
    {0, 0, 128},     // navy
    {128, 128, 0},   // dark yellow
    {0, 128, 128},   // teal
}};

Rgb fromHsv(double hue, double sat, double val) {
    const double h = hue * 6.0;
    const int sector = static_cast<int>(h) % 6;
    const double f = h - std::floor(h);
    const double p = val * (1 - sat);
    const double q = val * (1 - sat * f);
    const double t = val * (1 - sat * (1 - f));
    double r = val, g = t, b = p;
    switch (sector) {
    case 1:
        r = q, g = val, b = p;
        break;
    case 2:
        r = p, g = val, b = t;
        break;
    case 3:
        r = p, g = q, b = val;
        break;
    case 4:
        r = t, g = p, b = val;
        break;
    case 5:
        r = val, g = p, b = q;
        break;
    default:
        break;
    }
    auto byte = [](double v) { return static_cast<unsigned char>(std::lround(v * 255)); };
    return {byte(r), byte(g), byte(b)};
}

} // namespace

Rgb rankColour(std::size_t rank) {
    if (rank < kPatchColours.size()) return kPatchColours[rank];
    const double goldenTurn = 0.3819660112501051; // 1 - 1/phi: the golden angle as a turn fraction
    const double hue = std::fmod(static_cast<double>(rank) * goldenTurn, 1.0);
    const double val = rank % 2 == 0 ? 0.85 : 0.65;
    return fromHsv(hue, 0.65, val);
}

std::vector<std::int64_t> distinctPatches(std::vector<std::int64_t> patches) {
    std::sort(patches.begin(), patches.end());
    patches.erase(std::unique(patches.begin(), patches.end()), patches.end());
    return patches;
}

std::size_t patchRank(const std::vector<std::int64_t>& distinct, std::int64_t patch) {
    return static_cast<std::size_t>(std::lower_bound(distinct.begin(), distinct.end(), patch) -
                                    distinct.begin());
}

Rgb sideColour(char side) {
    switch (side) {
    case 'v':
        return {230, 140, 40};
    case 'c':
        return {60, 110, 200};
    case 'm':
        return {170, 60, 170};
    default:
        return {128, 128, 128};
    }
}

Rgb edgeClassColour(char type) {
    switch (type) {
    case 'o':
        return {150, 20, 20};
    case 'i':
        return {20, 40, 160};
    case 'n':
        return {150, 150, 150};
    case 'h':
        return {230, 200, 0};
    default:
        return {0, 0, 0};
    }
}

std::string hex(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

} // namespace hbxview
