// The vertex fit on the line rules that only a unit test reaches cheaply.
#include "shapes/vertex_fit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(VertexFit, LongLinesAreReadAsSeveral255BytePieces) {
    // A comment of 255 bytes before its line feed is one piece; one of 256
    // bytes ends in a second piece that starts with the 256th byte. Make that
    // piece read "v 10 0 0": it is a vertex line of its own.
    const std::string text =
        "v 0 0 0\n#" + std::string(254, 'x') + "v 10 0 0\n" + "#" + std::string(253, 'y') + "\n";
    const hbx::BallFit fit = hbx::fitBall(text, 3);
    EXPECT_EQ(fit.centre[0], 5.0f);
    EXPECT_EQ(fit.radius, 5.0f);
}

TEST(VertexFit, FindsTheFirstVertexOutOfRange) {
    struct Case {
        const char* text;
        int axes;
        int bad;
    } cases[] = {
        {"v 1 0 0\nv nan 0 0\nv -3 0 0\n", 3, 1},
        {"v 1 0 0\nv 0 0 -inf\n", 3, 1},
        {"v 1 0 0\nv 0 0 -inf\n", 2, -1}, // the circle never looks at z
        {"vn nan 0 0\nv 1e18 0 0\nv nan 0 0\n", 3, 0},
        {"v 9.9e17 -9.9e17 0\n", 2, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hbx::fitBall(c.text, c.axes).badVertex, c.bad) << c.text;
}

TEST(VertexFit, DistancesAreSummedInDoubleAndStoredAsFloat) {
    // Many tiny distances after a large one: a float running sum that was
    // never widened would lose them all the same way, but a sum kept in
    // double would not round after each addition. Compare with the rule.
    std::string text = "v 100000 0 0\nv -100000 0 0\n";
    for (int i = 0; i < 1000; ++i)
        text += "v 0.001 0 0\n";
    const hbx::BallFit fit = hbx::fitBall(text, 3);
    float sum = 0.0f;
    sum = static_cast<float>(sum + 100000.0);
    sum = static_cast<float>(sum + 100000.0);
    for (int i = 0; i < 1000; ++i)
        sum = static_cast<float>(sum + static_cast<double>(0.001f));
    EXPECT_EQ(fit.radius, sum / 1002.0f);
}

} // namespace
