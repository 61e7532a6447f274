#include "patches.h"

#include "alloc_hook.h"
#include "console.h"
#include "patch_tree.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

namespace hbx2 {
namespace {

// Union-find over edge records whose sets carry the patch number of the
// edge that absorbed last, as the relabelling sweep leaves it.
class PatchSets {
  public:
    explicit PatchSets(std::size_t count) : parent_(count), label_(count) {}
    void reset(std::int32_t e, std::int64_t label) {
        parent_[e] = e;
        label_[e] = label;
    }
    std::int32_t find(std::int32_t e) {
        while (parent_[e] != e) {
            parent_[e] = parent_[parent_[e]];
            e = parent_[e];
        }
        return e;
    }
    // G's patch takes F's number.
    void absorb(std::int32_t f, std::int32_t g) {
        const std::int32_t rf = find(f), rg = find(g);
        if (rf == rg) return;
        parent_[rg] = rf;
    }
    std::int64_t label(std::int32_t e) { return label_[find(e)]; }

  private:
    std::vector<std::int32_t> parent_;
    std::vector<std::int64_t> label_;
};

// One merge sweep over the given mergeable edges (ascending): at each end,
// the other slot of the vertex is absorbed when it is mergeable and of the
// same type. Later sweeps of the phase change no numbers.
void mergeSweep(Mesh2D& mesh, PatchSets& sets, const std::vector<std::int32_t>& edges,
                const std::vector<std::uint8_t>& mergeable) {
    for (std::int32_t f : edges) {
        const MeshEdge2D& e = mesh.edges[f];
        for (std::int32_t end : {e.vtx1, e.vtx2}) {
            const MeshVertex2D& w = mesh.vertices[end];
            std::int32_t g;
            if (w.edge[0] == f)
                g = w.edge[1];
            else if (w.edge[1] == f)
                g = w.edge[0];
            else
                continue;
            if (!mergeable[g] || mesh.edges[g].type != e.type) continue;
            sets.absorb(f, g);
        }
    }
}

// A set of edge indices with constant-time insert and erase and a fast
// lowest member: one bit per edge and a bit per non-empty word above it.
class EdgeBitSet {
  public:
    explicit EdgeBitSet(std::size_t count) {
        std::size_t words = (count + 63) / 64;
        do {
            levels_.emplace_back(words, 0);
            words = (words + 63) / 64;
        } while (levels_.back().size() > 1);
    }
    void insert(std::int32_t e) {
        std::size_t i = static_cast<std::size_t>(e);
        if (levels_[0][i / 64] & (std::uint64_t(1) << (i % 64))) return;
        ++size_;
        for (std::vector<std::uint64_t>& level : levels_) {
            const bool wasEmpty = level[i / 64] == 0;
            level[i / 64] |= std::uint64_t(1) << (i % 64);
            if (!wasEmpty) break;
            i /= 64;
        }
    }
    void erase(std::int32_t e) {
        std::size_t i = static_cast<std::size_t>(e);
        if (!(levels_[0][i / 64] & (std::uint64_t(1) << (i % 64)))) return;
        --size_;
        for (std::vector<std::uint64_t>& level : levels_) {
            level[i / 64] &= ~(std::uint64_t(1) << (i % 64));
            if (level[i / 64] != 0) break;
            i /= 64;
        }
    }
    bool empty() const { return size_ == 0; }
    // Appends the members, ascending.
    void collect(std::vector<std::int32_t>& out) const {
        for (std::size_t w = 0; w < levels_[0].size(); ++w)
            for (std::uint64_t bits = levels_[0][w]; bits != 0; bits &= bits - 1)
                out.push_back(static_cast<std::int32_t>(w * 64 + __builtin_ctzll(bits)));
    }
    std::size_t size() const { return size_; }
    // The lowest member; the set must not be empty.
    std::int32_t lowest() const {
        std::size_t i = 0;
        for (std::size_t l = levels_.size(); l-- > 0;)
            i = i * 64 + static_cast<std::size_t>(__builtin_ctzll(levels_[l][i]));
        return static_cast<std::int32_t>(i);
    }

  private:
    std::vector<std::vector<std::uint64_t>> levels_;
    std::size_t size_ = 0;
};

// The allergy state of every 'c' and 'v' patch: a hierarchy per patch, and
// for some edges one allergen of their patch (a witness). A split only
// shrinks the pivot's patch and carves new patches out of what it lost, so
//   - an edge with no allergen in its patch never gets one (it is settled);
//   - a witness, found as the lowest allergen, stays the lowest as long as
//     it shares its edge's patch.
// Every edge not settled is a candidate. Witnesses are checked only when
// their edge is the lowest candidate, and looked for again only then, so a
// split that moves most of a patch does not query every moved edge.
// Each patch has its own tree id; an edge's witness is current when both
// have the same id.
class AllergyState {
  public:
    explicit AllergyState(const Mesh2D& mesh)
        : tree_(mesh.edges.size(), -1), pos_(mesh.edges.size(), -1),
          witness_(mesh.edges.size(), -1), moved_(mesh.edges.size(), 0),
          candidates_(mesh.edges.size()) {}

    // The patches of the first cycle (each ascending); all their edges start
    // as candidates.
    void addPatches(const Mesh2D& mesh, std::vector<std::vector<std::int32_t>>& groups) {
        for (std::vector<std::int32_t>& g : groups) {
            const std::int32_t id = newTree(mesh, std::move(g));
            for (std::int32_t e : trees_[id].members())
                candidates_.insert(e);
        }
    }

    // The lowest edge allergic to some edge of its patch, or -1.
    std::int32_t lowestAllergic(const Mesh2D& mesh) {
        while (!candidates_.empty()) {
            const std::int32_t e = candidates_.lowest();
            if (current(e) || evaluate(mesh, e)) return e;
        }
        return -1;
    }
    // The number of allergic edges (every candidate is checked).
    std::size_t allergicCount(const Mesh2D& mesh) {
        std::vector<std::int32_t> all;
        candidates_.collect(all);
        for (std::int32_t e : all)
            if (!current(e)) evaluate(mesh, e);
        return candidates_.size();
    }

    // The lowest allergen of an allergic edge i (just returned by
    // lowestAllergic) in its patch: its witness.
    std::int32_t lowestAllergen(std::int32_t i) const { return witness_[i]; }
    void allergicTo(const Mesh2D& mesh, std::int32_t m, std::vector<std::int32_t>& out) const {
        trees_[tree_[m]].allergicTo(mesh, m, out);
    }

    // Takes the moved edges (ascending, all allergic, from one patch) out of
    // their patch into the given new patches (each ascending). When one new
    // patch holds at least half of the old one, it keeps the old tree and
    // what stays behind gets a new one.
    void split(const Mesh2D& mesh, const std::vector<std::int32_t>& moved,
               std::vector<std::vector<std::int32_t>>& groups) {
        const std::int32_t old = tree_[moved.front()];
        std::size_t big = 0;
        for (std::size_t k = 1; k < groups.size(); ++k)
            if (groups[k].size() > groups[big].size()) big = k;
        if (groups[big].size() * 2 < static_cast<std::size_t>(trees_[old].alive())) {
            for (std::int32_t e : moved)
                tree_[e] = -1;
            if (moved.size() * 2 >= static_cast<std::size_t>(trees_[old].alive())) {
                compact(mesh, old);
            } else {
                for (std::int32_t e : moved)
                    trees_[old].remove(pos_[e]);
            }
            for (std::vector<std::int32_t>& g : groups)
                newTree(mesh, std::move(g));
            return;
        }
        // The big group keeps the old tree: the rest leaves it.
        for (std::int32_t e : moved)
            moved_[e] = 1;
        for (std::int32_t e : groups[big])
            moved_[e] = 2;
        std::vector<std::int32_t> left;
        PatchTree& tree = trees_[old];
        for (std::size_t k = 0; k < tree.members().size(); ++k) {
            const std::int32_t pos = static_cast<std::int32_t>(k);
            if (!tree.isAlive(pos)) continue;
            const std::int32_t e = tree.members()[k];
            if (moved_[e] == 2) continue;
            tree.remove(pos);
            if (moved_[e] == 0) left.push_back(e);
        }
        for (std::int32_t e : moved)
            moved_[e] = 0;
        if (tree.alive() * 2 < static_cast<std::int32_t>(tree.members().size())) compact(mesh, old);
        for (std::size_t k = 0; k < groups.size(); ++k)
            if (k != big) newTree(mesh, std::move(groups[k]));
        newTree(mesh, std::move(left));
    }

  private:
    std::int32_t newTree(const Mesh2D& mesh, std::vector<std::int32_t> members) {
        const std::int32_t id = static_cast<std::int32_t>(trees_.size());
        trees_.emplace_back(mesh, std::move(members));
        const std::vector<std::int32_t>& list = trees_.back().members();
        for (std::size_t k = 0; k < list.size(); ++k) {
            tree_[list[k]] = id;
            pos_[list[k]] = static_cast<std::int32_t>(k);
        }
        return id;
    }
    bool current(std::int32_t e) const {
        return witness_[e] >= 0 && tree_[witness_[e]] == tree_[e];
    }
    // Finds e's lowest allergen; settles e when there is none.
    bool evaluate(const Mesh2D& mesh, std::int32_t e) {
        witness_[e] = trees_[tree_[e]].lowestAllergen(mesh, e);
        if (witness_[e] >= 0) return true;
        candidates_.erase(e);
        return false;
    }
    // Rebuilds a patch over the members still in it, so its bounds stay
    // tight; witnesses are unaffected.
    void compact(const Mesh2D& mesh, std::int32_t id) {
        std::vector<std::int32_t> left;
        const PatchTree& old = trees_[id];
        for (std::size_t k = 0; k < old.members().size(); ++k) {
            const std::int32_t e = old.members()[k];
            if (old.isAlive(static_cast<std::int32_t>(k)) && tree_[e] == id) left.push_back(e);
        }
        trees_[id] = PatchTree(mesh, std::move(left));
        const std::vector<std::int32_t>& list = trees_[id].members();
        for (std::size_t k = 0; k < list.size(); ++k)
            pos_[list[k]] = static_cast<std::int32_t>(k);
    }

    std::vector<PatchTree> trees_;
    std::vector<std::int32_t> tree_; // per edge: its patch's tree, -1 none
    std::vector<std::int32_t> pos_;  // per edge: position in that tree
    std::vector<std::int32_t> witness_;
    std::vector<std::uint8_t> moved_;
    EdgeBitSet candidates_;
};

// Writes the patch numbers of the given edges (ascending) into the records
// and groups the 'c' and 'v' ones by their set, each group ascending.
std::vector<std::vector<std::int32_t>> settlePatches(Mesh2D& mesh, PatchSets& sets,
                                                     const std::vector<std::int32_t>& edges,
                                                     std::vector<std::int32_t>& groupOf) {
    std::vector<std::vector<std::int32_t>> groups;
    for (std::int32_t e : edges) {
        const std::int32_t root = sets.find(e);
        mesh.edges[e].patch = static_cast<std::int32_t>(sets.label(e));
        if (mesh.edges[e].type == 'm') continue;
        if (groupOf[root] < 0) {
            groupOf[root] = static_cast<std::int32_t>(groups.size());
            groups.emplace_back();
        }
        groups[groupOf[root]].push_back(e);
    }
    for (std::int32_t e : edges)
        groupOf[sets.find(e)] = -1;
    return groups;
}

PatchResult runCycles(Mesh2D& mesh) {
    const std::int32_t edgeCount = static_cast<std::int32_t>(mesh.edges.size());
    std::vector<std::int32_t> outline;
    for (std::int32_t i = 0; i < edgeCount; ++i)
        if (mesh.edges[i].outline) outline.push_back(i);
    PatchSets sets(mesh.edges.size());
    std::vector<std::uint8_t> mergeable(mesh.edges.size(), 1);
    std::vector<std::int32_t> groupOf(mesh.edges.size(), -1);
    std::int64_t highest = -1;
    for (std::int32_t e : outline)
        sets.reset(e, e);
    mergeSweep(mesh, sets, outline, mergeable);
    for (std::int32_t e : outline)
        highest = std::max(highest, sets.label(e));
    AllergyState allergies(mesh);
    std::vector<std::vector<std::int32_t>> groups = settlePatches(mesh, sets, outline, groupOf);
    allergies.addPatches(mesh, groups);
    std::fill(mergeable.begin(), mergeable.end(), 0);

    std::vector<std::int32_t> moved;
    for (;;) {
        const std::int32_t first = allergies.lowestAllergic(mesh);
        if (first < 0) break;
        // The plain check obtains one allergy set per allergic edge.
        if (hbx::allocationArmed("allergy set"))
            for (std::size_t k = allergies.allergicCount(mesh); k > 0; --k)
                if (hbx::allocationFails("allergy set")) return PatchResult::NoSet;
        hbx::say("NOTE: Allergies found\n");
        const std::int32_t pivot = allergies.lowestAllergen(first);
        moved.clear();
        allergies.allergicTo(mesh, pivot, moved);
        // New numbers start above every number on the outline; after the
        // merge the highest is that of the last surviving new patch (the
        // pivot keeps the old patch's number, so no older number is lost).
        std::int64_t next = highest + 1;
        for (std::int32_t e : moved) {
            sets.reset(e, next++);
            mergeable[e] = 1;
        }
        mergeSweep(mesh, sets, moved, mergeable);
        for (std::int32_t e : moved) {
            mergeable[e] = 0;
            highest = std::max(highest, sets.label(e));
        }
        groups = settlePatches(mesh, sets, moved, groupOf);
        allergies.split(mesh, moved, groups);
    }
    return PatchResult::Done;
}

} // namespace

PatchResult buildPatches(Mesh2D& mesh) {
    if (hbx::allocationFails("allergy set array")) return PatchResult::NoSetArray;
    try {
        return runCycles(mesh);
    } catch (const std::bad_alloc&) {
        // Bookkeeping of the cycles stands in for the allergy sets.
        return PatchResult::NoSet;
    }
}

} // namespace hbx2
