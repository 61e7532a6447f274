// The 3D reader's face lines: plain ones are read in one go over the raw
// piece, the others token by token from the piece cut at its NUL. Both ways
// must agree on every line.
#include "proxy3d/obj_read3d.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Reading {
    bool ok;
    std::string printed;
    std::vector<int> corners; // vertex and normal indices of every face (when ok)
};

Reading read(const std::string& text) {
    hbx3::Mesh3D mesh;
    testing::internal::CaptureStdout();
    const bool ok = hbx3::readObjMesh(text, mesh);
    Reading r{ok, testing::internal::GetCapturedStdout(), {}};
    if (ok) {
        for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
            const int* vertex = mesh.faces[f].vertex;
            const int* normal = hbx3::cornerNormalsOf(mesh, f).normal;
            r.corners.insert(r.corners.end(), vertex, vertex + 3);
            r.corners.insert(r.corners.end(), normal, normal + 3);
        }
    }
    return r;
}

std::string meshHead() {
    std::string s;
    for (int i = 0; i < 12; ++i)
        s += "v " + std::to_string(i) + " " + std::to_string(i % 3) + " 1\n";
    for (int i = 0; i < 12; ++i)
        s += "vn 0 " + std::to_string(i % 2) + " 1\n";
    return s;
}

// A corner number: mostly in range, sometimes zero, relative, out of range,
// signed, or of seven to ten digits with leading zeros.
std::string number(std::mt19937& rng) {
    switch (rng() % 14) {
    case 0:
        return "0";
    case 1:
        return "-" + std::to_string(1 + rng() % 14);
    case 2:
        return "+" + std::to_string(1 + rng() % 12);
    case 3:
        return std::to_string(13 + rng() % 3);
    case 4:
        return std::string(6 + rng() % 4, '0') + std::to_string(1 + rng() % 9);
    case 5:
        return "4294967297";
    default:
        return std::to_string(1 + rng() % 12);
    }
}

std::string token(std::mt19937& rng) {
    static const std::string tails[] = {"", "", "", "", "x", "\r", "\t", "/", std::string(1, '\0')};
    std::string t = number(rng);
    if (rng() % 4 != 0) {
        t += '/';
        if (rng() % 3 != 0) t += number(rng);
        if (rng() % 4 != 0) {
            t += '/';
            t += rng() % 8 != 0 ? number(rng) : (rng() % 2 ? "\t5" : "-");
        }
    }
    return t + tails[rng() % 9];
}

TEST(ReadObj3D, PlainFaceLinesReadAsTokenByToken) {
    // A tab before the first corner is skipped by "%d" but sends the line
    // token by token, so each line is read both ways.
    static const std::string ends[] = {
        "\n", " \n", "\r\n", "", std::string("\0 4/4/4\n", 8), std::string("  \0 4\n", 6), "  "};
    const std::string head = meshHead();
    std::mt19937 rng(23);
    for (int i = 0; i < 8000; ++i) {
        std::string corners;
        const int count = 1 + int(rng() % 5);
        for (int k = 0; k < count; ++k)
            corners += std::string(1 + rng() % 2, ' ') + token(rng);
        const std::string end = ends[rng() % 7];
        const std::string tail = rng() % 2 ? "" : "f 1 2 3\n";
        const std::string spaces = corners.substr(0, corners.find_first_not_of(' '));
        const std::string rest = corners.substr(spaces.size());
        const Reading plain = read(head + "f" + corners + end + tail);
        const Reading tokens = read(head + "f" + spaces + "\t" + rest + end + tail);
        const std::string line = "f" + corners + end;
        ASSERT_EQ(plain.ok, tokens.ok) << '"' << line << '"';
        ASSERT_EQ(plain.printed, tokens.printed) << '"' << line << '"';
        ASSERT_EQ(plain.corners, tokens.corners) << '"' << line << '"';
    }
}

TEST(ReadObj3D, CornerNumbersEndAtThePieceEnd) {
    // The third corner's vertex number is cut by the 256-byte buffer: "1"
    // stays in the face line, "0/3/3" starts a piece of its own. (The
    // comment after it leaves bytes to read past the cut: the digits there
    // must not count.)
    const std::string front = "f 1/1/1 2/2/2";
    const std::string line = front + std::string(254 - front.size(), ' ') + "10/3/3\n# end\n";
    const Reading r = read(meshHead() + line);
    ASSERT_TRUE(r.ok) << r.printed;
    EXPECT_EQ(r.printed, "");
    EXPECT_EQ(r.corners, (std::vector<int>{0, 1, 0, 0, 1, -1}));
    // A face line that ends the file with fewer than eight bytes in its last
    // number's reach.
    EXPECT_EQ(read(meshHead() + "f 1 2 3").corners, (std::vector<int>{0, 1, 2, -1, -1, -1}));
}

} // namespace
