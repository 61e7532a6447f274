#include "proxy2d/patches.h"

#include "frontend/alloc_hook.h"
#include "frontend/console.h"
#include "proxy2d/patch_chains.h"
#include "proxy2d/patch_tree.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace hbx2 {
namespace {

// Union-find over edge records whose sets carry the patch number of the
// edge that absorbed last, as the relabelling sweep leaves it.
class PatchSets {
  public:
    explicit PatchSets(std::size_t count) : parent_(count), label_(count) {}
    void reset(int e, std::int64_t label) {
        parent_[e] = e;
        label_[e] = label;
    }
    int find(int e) {
        while (parent_[e] != e) {
            parent_[e] = parent_[parent_[e]];
            e = parent_[e];
        }
        return e;
    }
    // G's patch takes F's number.
    void absorb(int f, int g) {
        const int rf = find(f), rg = find(g);
        if (rf == rg) return;
        parent_[rg] = rf;
    }
    std::int64_t label(int e) { return label_[find(e)]; }

  private:
    std::vector<int> parent_;
    std::vector<std::int64_t> label_;
};

// One merge sweep over the given mergeable edges (ascending): at each end,
// the other slot of the vertex is absorbed when it is mergeable and of the
// same type. Later sweeps of the phase change no numbers.
void mergeSweep(Mesh2D& mesh, PatchSets& sets, const std::vector<int>& edges,
                const std::vector<std::uint8_t>& mergeable) {
    for (int f : edges) {
        const MeshEdge2D& e = mesh.edges[f];
        for (int end : {e.vtx1, e.vtx2}) {
            const MeshVertex2D& w = mesh.vertices[end];
            int g;
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
    void insert(int e) {
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
    void erase(int e) {
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
    void collect(std::vector<int>& out) const {
        for (std::size_t w = 0; w < levels_[0].size(); ++w)
            for (std::uint64_t bits = levels_[0][w]; bits != 0; bits &= bits - 1)
                out.push_back(static_cast<int>(w * 64 + __builtin_ctzll(bits)));
    }
    std::size_t size() const { return size_; }
    // The lowest member; the set must not be empty.
    int lowest() const {
        std::size_t i = 0;
        for (std::size_t l = levels_.size(); l-- > 0;)
            i = i * 64 + static_cast<std::size_t>(__builtin_ctzll(levels_[l][i]));
        return static_cast<int>(i);
    }

  private:
    std::vector<std::vector<std::uint64_t>> levels_;
    std::size_t size_ = 0;
};

// Writes the patch numbers of the given edges (ascending) into the records
// and groups the 'c' and 'v' ones by their set, each group ascending.
std::vector<std::vector<int>> settlePatches(Mesh2D& mesh, PatchSets& sets,
                                            const std::vector<int>& edges,
                                            std::vector<int>& groupOf) {
    std::vector<std::vector<int>> groups;
    for (int e : edges) {
        const int root = sets.find(e);
        mesh.edges[e].patch = static_cast<int>(sets.label(e));
        if (mesh.edges[e].type == 'm') continue;
        if (groupOf[root] < 0) {
            groupOf[root] = static_cast<int>(groups.size());
            groups.emplace_back();
        }
        groups[groupOf[root]].push_back(e);
    }
    for (int e : edges)
        groupOf[sets.find(e)] = -1;
    return groups;
}

// The allergy state of every 'c' and 'v' patch: a hierarchy per patch, and
// for some edges one allergen of their patch (a witness). A split only
// shrinks the pivot's patch and carves new patches out of what it lost, so
//   - an edge with no allergen in its patch never gets one (it is settled);
//   - a witness, found as the lowest allergen, stays the lowest as long as
//     it shares its edge's patch.
// Every edge not settled is a candidate. Witnesses are checked only when
// their edge is the lowest candidate, and looked for again only then, so a
// split that moves most of a patch does not query every moved edge.
// Each patch has its own tree id, which holds its number and, when the patch
// is one stretch of a chain, that interval; an edge's witness is current
// when both have the same id.
class AllergyState {
  public:
    explicit AllergyState(const Mesh2D& mesh)
        : tree_(mesh.edges.size(), -1), pos_(mesh.edges.size(), -1),
          witness_(mesh.edges.size(), -1), moved_(mesh.edges.size(), 0),
          candidates_(mesh.edges.size()) {}

    // The patches of the first cycle (each ascending); all their edges start
    // as candidates.
    void addPatches(const Mesh2D& mesh, std::vector<std::vector<int>>& groups, PatchSets& sets) {
        for (std::vector<int>& g : groups) {
            const std::int64_t label = sets.label(g.front());
            const int id = newTree(mesh, std::move(g), label);
            for (int e : trees_[id].members())
                candidates_.insert(e);
        }
    }

    // Writes every patch's number into its edges' records.
    void writeNumbers(Mesh2D& mesh, const std::vector<int>& outline) const {
        for (int e : outline)
            if (tree_[e] >= 0) mesh.edges[e].patch = static_cast<int>(label_[tree_[e]]);
    }

    // The lowest edge allergic to some edge of its patch, or -1.
    int lowestAllergic(const Mesh2D& mesh) {
        while (!candidates_.empty()) {
            const int e = candidates_.lowest();
            if (current(e) || evaluate(mesh, e)) return e;
        }
        return -1;
    }
    // The number of allergic edges (every candidate is checked).
    std::size_t allergicCount(const Mesh2D& mesh) {
        std::vector<int> all;
        candidates_.collect(all);
        for (int e : all)
            if (!current(e)) evaluate(mesh, e);
        return candidates_.size();
    }

    // The lowest allergen of an allergic edge i (just returned by
    // lowestAllergic) in its patch: its witness.
    int lowestAllergen(int i) const { return witness_[i]; }
    void allergicTo(const Mesh2D& mesh, int m, std::vector<int>& out) const {
        trees_[tree_[m]].allergicTo(mesh, m, out);
    }

    // Takes the moved edges (ascending, all allergic, from one patch) out of
    // their patch into the given new patches (each ascending, numbered as
    // `sets` says). When one new patch holds at least half of the old one, it
    // keeps the old tree and what stays behind gets a new one.
    void split(const Mesh2D& mesh, const std::vector<int>& moved,
               std::vector<std::vector<int>>& groups, PatchSets& sets) {
        const int old = tree_[moved.front()];
        std::size_t big = 0;
        for (std::size_t k = 1; k < groups.size(); ++k)
            if (groups[k].size() > groups[big].size()) big = k;
        if (groups[big].size() * 2 < static_cast<std::size_t>(trees_[old].alive())) {
            for (int e : moved)
                tree_[e] = -1;
            if (moved.size() * 2 >= static_cast<std::size_t>(trees_[old].alive())) {
                compact(mesh, old);
            } else {
                for (int e : moved)
                    trees_[old].remove(mesh, pos_[e]);
            }
            interval_[old] = ChainInterval{};
            for (std::vector<int>& g : groups) {
                const std::int64_t label = sets.label(g.front());
                newTree(mesh, std::move(g), label);
            }
            return;
        }
        // The big group keeps the old tree: the rest leaves it.
        for (int e : moved)
            moved_[e] = 1;
        for (int e : groups[big])
            moved_[e] = 2;
        std::vector<int> left;
        PatchTree& tree = trees_[old];
        for (std::size_t k = 0; k < tree.members().size(); ++k) {
            const int pos = static_cast<int>(k);
            if (!tree.isAlive(pos)) continue;
            const int e = tree.members()[k];
            if (moved_[e] == 2) continue;
            tree.remove(mesh, pos);
            if (moved_[e] == 0) left.push_back(e);
        }
        for (int e : moved)
            moved_[e] = 0;
        std::sort(left.begin(), left.end());
        const std::int64_t oldLabel = label_[old];
        label_[old] = sets.label(groups[big].front());
        interval_[old] = kUnknown;
        if (tree.alive() * 2 < static_cast<int>(tree.members().size())) compact(mesh, old);
        for (std::size_t k = 0; k < groups.size(); ++k) {
            if (k == big) continue;
            const std::int64_t label = sets.label(groups[k].front());
            newTree(mesh, std::move(groups[k]), label);
        }
        newTree(mesh, std::move(left), oldLabel);
    }

    // The split of the pivot's patch when that patch is one stretch of a
    // chain and few of its edges stay: only what stays and the smaller moved
    // groups are visited. The largest moved group is a stretch too; when its
    // edge indices rise or fall along it, its merge ends with the number of
    // its lowest edge, next + the count of moved edges below that edge, all
    // of them in the smaller groups. It keeps the old tree. Returns false,
    // having changed nothing, when the patch is not such a case.
    bool splitStretch(Mesh2D& mesh, int pivot, PatchSets& sets,
                      std::vector<std::uint8_t>& mergeable, std::vector<int>& groupOf,
                      std::int64_t& highest) {
        const int t = tree_[pivot];
        const MeshEdge2D& pe = mesh.edges[pivot];
        if (interval_[t].chain == kUnknown.chain) interval_[t] = intervalOfTree(mesh, t);
        const ChainInterval iv = interval_[t];
        // Edges sharing a vertex with the pivot are never allergic to it and
        // may be missed by the tree's walk; with two edges at each end they
        // are the pivot's neighbours in the vertex slots.
        if (iv.chain < 0 || ends_[pe.vtx1] > 2 || ends_[pe.vtx2] > 2) return false;
        PatchTree& tree = trees_[t];
        const int size = tree.alive();
        if (size != iv.length || size < 16) return false;
        stay_.clear();
        if (!tree.notAllergicTo(mesh, pivot, stay_, static_cast<std::size_t>(size / 2), nodes_))
            return false;
        stay_.push_back(pivot);
        for (int w : {pe.vtx1, pe.vtx2})
            for (int g : mesh.vertices[w].edge)
                if (g >= 0 && tree_[g] == t) stay_.push_back(g);
        std::sort(stay_.begin(), stay_.end());
        stay_.erase(std::unique(stay_.begin(), stay_.end()), stay_.end());
        // The moved stretches between the edges that stay.
        offsets_.clear();
        for (int e : stay_)
            offsets_.push_back(chains_->offsetIn(iv, e));
        std::sort(offsets_.begin(), offsets_.end());
        const bool loop = chains_->closed(iv.chain) && iv.length == chains_->length(iv.chain);
        pieces_.clear();
        auto piece = [&](int from, int to) { // offsets [from, to)
            if (to > from)
                pieces_.push_back(ChainInterval{
                    iv.chain, (iv.start + from) % chains_->length(iv.chain), to - from});
        };
        for (std::size_t k = 0; k + 1 < offsets_.size(); ++k)
            piece(offsets_[k] + 1, offsets_[k + 1]);
        if (loop) {
            piece(offsets_.back() + 1, offsets_.front() + iv.length);
        } else {
            piece(0, offsets_.front());
            piece(offsets_.back() + 1, iv.length);
        }
        if (pieces_.empty()) return false;
        std::size_t big = 0;
        for (std::size_t k = 1; k < pieces_.size(); ++k)
            if (pieces_[k].length > pieces_[big].length) big = k;
        const ChainInterval g = pieces_[big];
        const int direction = chains_->direction(g);
        if (direction == 0) return false;
        // From here on the split happens.
        small_.clear();
        for (std::size_t k = 0; k < pieces_.size(); ++k)
            if (k != big)
                for (int j = 0; j < pieces_[k].length; ++j)
                    small_.push_back(chains_->edgeAt(pieces_[k], j));
        std::sort(small_.begin(), small_.end());
        // How many edges of the big stretch lie below e.
        auto bigBelow = [&](int e) {
            int lo = 0, hi = g.length; // first offset on the other side of e
            while (lo < hi) {
                const int mid = lo + (hi - lo) / 2;
                const bool below = chains_->edgeAt(g, mid) < e;
                if (direction > 0 ? below : !below)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            return direction > 0 ? lo : g.length - lo;
        };
        const std::int64_t next = highest + 1;
        for (std::size_t k = 0; k < small_.size(); ++k) {
            sets.reset(small_[k], next + static_cast<std::int64_t>(k) + bigBelow(small_[k]));
            mergeable[small_[k]] = 1;
        }
        mergeSweep(mesh, sets, small_, mergeable);
        for (int e : small_) {
            mergeable[e] = 0;
            highest = std::max(highest, sets.label(e));
        }
        const int lowest = chains_->edgeAt(g, direction > 0 ? 0 : g.length - 1);
        const std::int64_t bigLabel =
            next + (std::lower_bound(small_.begin(), small_.end(), lowest) - small_.begin());
        highest = std::max(highest, bigLabel);
        std::vector<std::vector<int>> groups = settlePatches(mesh, sets, small_, groupOf);
        for (int e : stay_)
            tree.remove(mesh, pos_[e]);
        for (int e : small_)
            tree.remove(mesh, pos_[e]);
        const std::int64_t oldLabel = label_[t];
        label_[t] = bigLabel;
        interval_[t] = g;
        if (tree.alive() * 2 < static_cast<int>(tree.members().size())) compact(mesh, t);
        for (std::vector<int>& group : groups) {
            const std::int64_t label = sets.label(group.front());
            newTree(mesh, std::move(group), label);
        }
        newTree(mesh, stay_, oldLabel);
        return true;
    }

  private:
    // Not yet known whether the patch is one stretch.
    static constexpr ChainInterval kUnknown{-2, 0, 0};

    // The stretch the live members of tree t form, if they do.
    ChainInterval intervalOfTree(const Mesh2D& mesh, int t) {
        if (!chains_) {
            chains_ = std::make_unique<PatchChains>(mesh);
            ends_.assign(mesh.vertices.size(), 0);
            for (const MeshEdge2D& e : mesh.edges) {
                if (!e.outline) continue;
                ends_[e.vtx1] = static_cast<std::uint8_t>(std::min(ends_[e.vtx1] + 1, 3));
                ends_[e.vtx2] = static_cast<std::uint8_t>(std::min(ends_[e.vtx2] + 1, 3));
            }
        }
        const PatchTree& tree = trees_[t];
        std::vector<int> live;
        for (std::size_t k = 0; k < tree.members().size(); ++k)
            if (tree.isAlive(static_cast<int>(k))) live.push_back(tree.members()[k]);
        return chains_->intervalOf(live);
    }

    int newTree(const Mesh2D& mesh, std::vector<int> members, std::int64_t label) {
        const int id = static_cast<int>(trees_.size());
        interval_.push_back(kUnknown);
        label_.push_back(label);
        trees_.emplace_back(mesh, std::move(members));
        const std::vector<int>& list = trees_.back().members();
        for (std::size_t k = 0; k < list.size(); ++k) {
            tree_[list[k]] = id;
            pos_[list[k]] = static_cast<int>(k);
        }
        return id;
    }
    bool current(int e) const { return witness_[e] >= 0 && tree_[witness_[e]] == tree_[e]; }
    // Finds e's lowest allergen; settles e when there is none.
    bool evaluate(const Mesh2D& mesh, int e) {
        witness_[e] = trees_[tree_[e]].lowestAllergen(mesh, e);
        if (witness_[e] >= 0) return true;
        candidates_.erase(e);
        return false;
    }
    // Rebuilds a patch over the members still in it, so its bounds stay
    // tight; witnesses are unaffected.
    void compact(const Mesh2D& mesh, int id) {
        std::vector<int> left;
        const PatchTree& old = trees_[id];
        for (std::size_t k = 0; k < old.members().size(); ++k) {
            const int e = old.members()[k];
            if (old.isAlive(static_cast<int>(k)) && tree_[e] == id) left.push_back(e);
        }
        std::sort(left.begin(), left.end());
        trees_[id] = PatchTree(mesh, std::move(left));
        const std::vector<int>& list = trees_[id].members();
        for (std::size_t k = 0; k < list.size(); ++k)
            pos_[list[k]] = static_cast<int>(k);
    }

    // Made at the first split that could use them.
    std::unique_ptr<PatchChains> chains_;
    std::vector<PatchTree> trees_;
    std::vector<std::int64_t> label_;     // per tree: its patch's number
    std::vector<ChainInterval> interval_; // per tree: its stretch, if one
    std::vector<int> tree_;               // per edge: its patch's tree, -1 none
    std::vector<int> pos_;                // per edge: position in that tree
    std::vector<int> witness_;
    std::vector<std::uint8_t> moved_;
    EdgeBitSet candidates_;
    std::vector<std::uint8_t> ends_; // per vertex: outline edge ends, up to 3
    std::vector<int> stay_, offsets_, small_;
    std::vector<ChainInterval> pieces_;
    std::vector<int> nodes_;
};

PatchResult runCycles(Mesh2D& mesh, PatchStats& stats) {
    const int edgeCount = static_cast<int>(mesh.edges.size());
    std::vector<int> outline;
    for (int i = 0; i < edgeCount; ++i)
        if (mesh.edges[i].outline) outline.push_back(i);
    PatchSets sets(mesh.edges.size());
    std::vector<std::uint8_t> mergeable(mesh.edges.size(), 1);
    std::vector<int> groupOf(mesh.edges.size(), -1);
    std::int64_t highest = -1;
    for (int e : outline)
        sets.reset(e, e);
    mergeSweep(mesh, sets, outline, mergeable);
    for (int e : outline)
        highest = std::max(highest, sets.label(e));
    AllergyState allergies(mesh);
    std::vector<std::vector<int>> groups = settlePatches(mesh, sets, outline, groupOf);
    allergies.addPatches(mesh, groups, sets);
    std::fill(mergeable.begin(), mergeable.end(), 0);

    std::vector<int> moved;
    for (;;) {
        const int first = allergies.lowestAllergic(mesh);
        if (first < 0) break;
        // The plain check obtains one allergy set per allergic edge.
        if (hbx::allocationArmed("allergy set"))
            for (std::size_t k = allergies.allergicCount(mesh); k > 0; --k)
                if (hbx::allocationFails("allergy set")) return PatchResult::SetFailed;
        hbx::say("NOTE: Allergies found\n");
        const int pivot = allergies.lowestAllergen(first);
        ++stats.splits;
        if (allergies.splitStretch(mesh, pivot, sets, mergeable, groupOf, highest)) {
            ++stats.stretchSplits;
            continue;
        }
        moved.clear();
        allergies.allergicTo(mesh, pivot, moved);
        // New numbers start above every number on the outline; after the
        // merge the highest is that of the last surviving new patch (the
        // pivot keeps the old patch's number, so no older number is lost).
        std::int64_t next = highest + 1;
        for (int e : moved) {
            sets.reset(e, next++);
            mergeable[e] = 1;
        }
        mergeSweep(mesh, sets, moved, mergeable);
        for (int e : moved) {
            mergeable[e] = 0;
            highest = std::max(highest, sets.label(e));
        }
        groups = settlePatches(mesh, sets, moved, groupOf);
        allergies.split(mesh, moved, groups, sets);
    }
    allergies.writeNumbers(mesh, outline);
    return PatchResult::Done;
}

} // namespace

PatchResult buildPatches(Mesh2D& mesh, PatchStats* stats) {
    if (hbx::allocationFails("allergy set array")) return PatchResult::SetArrayFailed;
    try {
        PatchStats counts;
        const PatchResult result = runCycles(mesh, counts);
        if (stats) *stats = counts;
        return result;
    } catch (const std::bad_alloc&) {
        // Bookkeeping of the cycles stands in for the allergy sets.
        return PatchResult::SetFailed;
    }
}

} // namespace hbx2
