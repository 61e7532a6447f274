// The patch hierarchy's two allergy queries against a scan of every member,
// on outlines that turn round many times (where a node's normals point every
// way and only the bound on n . x by |x| prunes), before and after members
// are removed.
#include "tests/proxy2d/proxy2d_support.h"

#include "proxy2d/outline_math.h"
#include "proxy2d/patch_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace hbx2test {
namespace {

using hbx2::Mesh2D;
using hbx2::PatchTree;

// The tree keeps its members in its own order; the scans go by edge index.
std::vector<int> liveMembers(const PatchTree& tree) {
    std::vector<int> live;
    for (std::size_t k = 0; k < tree.members().size(); ++k)
        if (tree.isAlive(static_cast<int>(k))) live.push_back(tree.members()[k]);
    std::sort(live.begin(), live.end());
    return live;
}

int scanLowest(const Mesh2D& mesh, const PatchTree& tree, int i) {
    for (int m : liveMembers(tree))
        if (hbx2::isAllergic(mesh, i, m)) return m;
    return -1;
}

std::vector<int> scanAllergicTo(const Mesh2D& mesh, const PatchTree& tree, int m) {
    std::vector<int> out;
    for (int i : liveMembers(tree))
        if (hbx2::isAllergic(mesh, i, m)) out.push_back(i);
    return out;
}

// Every fifth live member asked both questions; returns the first
// disagreement.
std::string compareQueries(const Mesh2D& mesh, const PatchTree& tree) {
    for (std::size_t k = 0; k < tree.members().size(); k += 5) {
        if (!tree.isAlive(static_cast<int>(k))) continue;
        const int e = tree.members()[k];
        if (tree.lowestAllergen(mesh, e) != scanLowest(mesh, tree, e))
            return "lowest allergen of edge " + std::to_string(e);
        std::vector<int> found;
        tree.allergicTo(mesh, e, found);
        if (found != scanAllergicTo(mesh, tree, e))
            return "edges allergic to edge " + std::to_string(e);
    }
    return "";
}

struct SpiralCase {
    const char* name;
    int segments;
    double turns, scale, shift;
};

TEST(PatchTreeQueries, AgreeWithScansOnWoundOutlines) {
    const SpiralCase cases[] = {
        {"many turns", 4800, 80.0, 1.0, 0.0},
        {"few segments per turn", 120, 12.0, 1.0, 0.0},
        {"small, distances near the snap", 600, 6.0, 2e-2, 0.0},
        {"far from the origin", 600, 6.0, 1.0, 3000.0},
        {"large", 600, 6.0, 5e4, 0.0},
    };
    for (const SpiralCase& c : cases) {
        std::mt19937 rng(2024);
        RandomMesh m = spiralMesh(rng, c.segments, c.turns);
        // A vertex line that no face uses brings the mesh centre to the
        // spiral's centre, where the bound by |x| is tightest.
        Point sum{0.0, 0.0};
        for (const Point& p : m.points) {
            sum.x += p.x;
            sum.y += p.y;
        }
        m.points.push_back({-sum.x, -sum.y});
        for (Point& p : m.points) {
            p.x = p.x * c.scale + c.shift;
            p.y = p.y * c.scale - c.shift;
        }
        const Built built = buildIndexed(objText(m.points, m.faces));
        ASSERT_TRUE(built.ok) << c.name;
        for (char type : {'v', 'c'}) {
            std::vector<int> members;
            for (std::size_t e = 0; e < built.mesh.edges.size(); ++e)
                if (built.mesh.edges[e].outline && built.mesh.edges[e].type == type)
                    members.push_back(static_cast<int>(e));
            ASSERT_GT(members.size(), 20u) << c.name << " " << type;
            PatchTree tree(built.mesh, members);
            EXPECT_EQ(compareQueries(built.mesh, tree), "") << c.name << " " << type;
            // Removal keeps the bounds of the full set; queries must still
            // see only the members left.
            for (std::size_t k = 0; k < members.size(); ++k)
                if (rng() % 3 != 0) tree.remove(built.mesh, static_cast<int>(k));
            EXPECT_EQ(compareQueries(built.mesh, tree), "")
                << c.name << " " << type << " after removals";
        }
    }
}

} // namespace
} // namespace hbx2test
