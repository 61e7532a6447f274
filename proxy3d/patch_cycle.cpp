#include "proxy3d/patch_cycle.h"

#include "frontend/alloc_hook.h"
#include "proxy3d/patch_connectivity.h"
#include "proxy3d/patch_hierarchy.h"
#include "proxy3d/patch_merge.h"
#include "proxy3d/patch_minima.h"
#include "proxy3d/patch_ranks.h"
#include "proxy3d/survivor_chains.h"

#include <algorithm>
#include <new>

namespace hbx3 {
namespace {

// Patches with hierarchies ('v' and 'c' faces only; 'm' faces have no
// allergies). Faces of other sides have patch id -1. Patch ids are internal;
// every face of a patch holds the patch's number.
struct PatchTable {
    std::vector<int> patchOf; // per face
    std::vector<int> built;   // faces in the hierarchy when it was built
    std::vector<int> live;    // faces still in the patch
    // Per patch id, ascending; may still list faces that have left since
    // (their patchOf differs), dropped when the hierarchy is rebuilt.
    std::vector<std::vector<int>> members;
    std::vector<std::int64_t> number;
    // Per patch id: its faces are known to hang together through merge
    // neighbours within the patch.
    std::vector<unsigned char> connected;
};

bool takesPart(char side) {
    return side == 'v' || side == 'c';
}

// `faces` (ascending) grouped by their representatives roots[i]: group g is
// ordered[offset[g] .. offset[g + 1]), ascending within the group.
struct Groups {
    std::vector<int> ordered;
    std::vector<int> offset;
    std::size_t size(std::size_t g) const {
        return static_cast<std::size_t>(offset[g + 1] - offset[g]);
    }
    std::size_t count() const { return offset.size() - 1; }
    const int* faces(std::size_t g) const { return ordered.data() + offset[g]; }
};

Groups groupFaces(const std::vector<int>& faces, const std::vector<int>& roots,
                  std::vector<int>& scratchId) {
    // Count, offsets, fill.
    std::vector<int> groupOf(faces.size());
    std::vector<int> counts, reps;
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const auto rep = static_cast<std::size_t>(roots[i]);
        if (scratchId[rep] < 0) {
            scratchId[rep] = static_cast<int>(counts.size());
            counts.push_back(0);
            reps.push_back(roots[i]);
        }
        groupOf[i] = scratchId[rep];
        ++counts[static_cast<std::size_t>(groupOf[i])];
    }
    Groups groups;
    groups.offset.assign(counts.size() + 1, 0);
    for (std::size_t g = 0; g < counts.size(); ++g)
        groups.offset[g + 1] = groups.offset[g] + counts[g];
    groups.ordered.resize(faces.size());
    std::vector<int> fill(groups.offset.begin(), groups.offset.end() - 1);
    for (std::size_t i = 0; i < faces.size(); ++i)
        groups.ordered[static_cast<std::size_t>(fill[static_cast<std::size_t>(groupOf[i])]++)] =
            faces[i];
    for (int rep : reps)
        scratchId[static_cast<std::size_t>(rep)] = -1;
    return groups;
}

// The state of the cycle besides the mesh.
struct Cycle {
    Cycle(const Mesh3D& mesh, const std::vector<int>& neighbours, const CandidateRules& rules)
        : neighbours(neighbours), merger(mesh), hierarchy(mesh, table.patchOf, rules),
          minima(neighbours, table.patchOf), ranks(table.patchOf), chains(mesh.faces.size()),
          search(mesh.faces.size()), scratchId(mesh.faces.size(), -1),
          movedMark(mesh.faces.size(), 0) {}
    const std::vector<int>& neighbours;
    PatchTable table;
    PatchMerger merger;
    PatchHierarchy hierarchy;
    PatchMinima minima;
    PatchRanks ranks;
    SurvivorChains chains;
    SearchScratch search;
    CutPieces cut;
    std::vector<int> scratchId;
    std::vector<unsigned char> movedMark;
    // The representatives of the faces of the latest mergeAmong, in order.
    std::vector<int> roots;
    std::int64_t maxNumber = -1;
};

// Gives faces[0 .. count) (ascending) a new patch id with the given number,
// a hierarchy and its low points. The faces have left patch id `source`
// (-1: none) and still lie in its hierarchy, which their own is taken from.
void newPatch(const int* faces, int count, std::int64_t number, bool connected, int source,
              Cycle& c) {
    PatchTable& table = c.table;
    const int id = static_cast<int>(table.live.size());
    for (int j = 0; j < count; ++j)
        table.patchOf[static_cast<std::size_t>(faces[j])] = id;
    // A face alone has nothing to be allergic to: its patch never splits
    // and is never asked.
    if (count > 1) c.hierarchy.buildFrom(id, source, faces, count);
    table.built.push_back(count);
    table.live.push_back(count);
    table.members.emplace_back(faces, faces + count);
    c.ranks.reset(id);
    table.number.push_back(number);
    table.connected.push_back(connected ? 1 : 0);
    c.minima.fill(id, faces, count);
}

// Gives each group of `groups` except `skip` a new patch id, numbered as
// the merger left its faces (which have left patch id `source`, -1 for
// none).
void makePatches(const Groups& groups, std::size_t skip, int source, Cycle& c) {
    for (std::size_t g = 0; g < groups.count(); ++g) {
        if (g != skip)
            newPatch(groups.faces(g), static_cast<int>(groups.size(g)),
                     c.merger.number(groups.faces(g)[0]), true, source, c);
    }
}

// Rebuilds the hierarchy of patch id p over its live faces once three
// quarters of those it was built over have gone, so queries keep mostly to
// live faces. (Rebuilding at half built a quarter more tree faces on fine
// meshes, where the big patch loses faces split after split, for queries
// no faster: subtrees without live faces are passed over anyway.)
void compactIfMostGone(int p, Cycle& c) {
    PatchTable& table = c.table;
    const auto i = static_cast<std::size_t>(p);
    if (table.live[i] == 0) {
        c.hierarchy.release(p);
        c.minima.release(p);
        c.ranks.release(p);
        c.chains.forget(p);
        table.members[i] = std::vector<int>();
        return;
    }
    if (4 * table.live[i] >= table.built[i]) return;
    std::vector<int>& members = table.members[i];
    members.erase(
        std::remove_if(members.begin(), members.end(),
                       [&](int f) { return table.patchOf[static_cast<std::size_t>(f)] != p; }),
        members.end());
    members.shrink_to_fit();
    c.ranks.reset(p);
    c.hierarchy.buildFrom(p, p, members.data(), static_cast<int>(members.size()));
    table.built[i] = table.live[i];
}

// Takes `faces` (ascending) out of patch id p: patch id -1, out of its
// hierarchy, ranks and chains and live count.
void takeOut(const std::vector<int>& faces, int p, Cycle& c) {
    for (int f : faces) {
        c.table.patchOf[static_cast<std::size_t>(f)] = -1;
        c.hierarchy.remove(p, f);
        c.chains.left(p, f);
    }
    c.ranks.remove(p, faces, c.table.members[static_cast<std::size_t>(p)]);
    c.table.live[static_cast<std::size_t>(p)] -= static_cast<int>(faces.size());
}

// How far the searches that settle a split without visiting the moved
// faces may go before the split visits them after all.
std::size_t searchLimit(std::size_t changed) {
    return 1024 + 16 * changed;
}

// Runs the merge phase among `faces` (ascending), numbered from
// firstNumber in ascending order; the merger holds their numbers and
// c.roots their representatives, for groupFaces. Returns the largest.
std::int64_t mergeAmong(const std::vector<int>& faces, std::int64_t firstNumber, Cycle& c) {
    for (int f : faces)
        c.movedMark[static_cast<std::size_t>(f)] = 1;
    const std::int64_t largest = c.merger.merge(
        c.neighbours, faces, [&](int g) { return c.movedMark[static_cast<std::size_t>(g)] != 0; },
        firstNumber, &c.roots);
    for (int f : faces)
        c.movedMark[static_cast<std::size_t>(f)] = 0;
    return largest;
}

// Numbers the moved faces (ascending) from maxNumber + 1 and runs the merge
// phase among them; the merger holds their numbers.
void renumberAndMerge(const std::vector<int>& moved, Cycle& c) {
    const std::int64_t largest = mergeAmong(moved, c.maxNumber + 1, c);
    c.maxNumber = std::max(c.maxNumber, largest);
}

// A split that moves a few faces (ascending) of patch `from`: they leave
// its hierarchy one by one and their groups become patches of their own
// (whose hierarchies are taken from its own before that is rebuilt).
void splitFew(const std::vector<int>& moved, int from, Cycle& c) {
    renumberAndMerge(moved, c);
    takeOut(moved, from, c);
    const auto p = static_cast<std::size_t>(from);
    c.minima.removeFaces(from, moved);
    if (c.table.connected[p] && c.table.live[p] > 0) {
        c.table.connected[p] = stillConnected(moved, from, c.neighbours, c.table.patchOf, c.search);
    }
    const Groups groups = groupFaces(moved, c.roots, c.scratchId);
    makePatches(groups, groups.count(), from, c);
    compactIfMostGone(from, c);
}

// Gives `stay` (ascending, out of patch `from` already) a patch of its own,
// with the number they held.
void stayPatch(const std::vector<int>& stay, std::int64_t number, int from, Cycle& c) {
    newPatch(stay.data(), static_cast<int>(stay.size()), number, false, from, c);
    const int id = static_cast<int>(c.table.live.size()) - 1;
    c.table.connected.back() = allConnected(stay.data(), static_cast<int>(stay.size()), id,
                                            c.neighbours, c.table.patchOf, c.search);
}

// The faces of patch id p, ascending.
std::vector<int> liveFaces(int p, const Cycle& c) {
    std::vector<int> out;
    for (int f : c.table.members[static_cast<std::size_t>(p)]) {
        if (c.table.patchOf[static_cast<std::size_t>(f)] == p) out.push_back(f);
    }
    return out;
}

// The face whose number the sweep over faces[0 .. count) (ascending, one
// connected group) leaves to the group.
int sweepSurvivor(const int* faces, int count, Cycle& c) {
    const std::vector<int> group(faces, faces + count);
    return group[static_cast<std::size_t>(mergeAmong(group, 0, c))];
}

// A split that moves most faces of a connected patch `from`, all but `stay`
// (out of the patch already). The moved faces fall into the pieces that the
// searches around `stay` see whole, each numbered by its own sweep, and
// the rest, shown to hang together: it keeps the patch id, its hierarchy
// and its low points, and its number comes from the descending chain
// (patch_minima.h). Each group's number is the first new number plus the
// rank of its surviving face among all moved faces. Costs what stays, the
// pieces and the chain's walk. Returns false, having changed nothing more,
// when the searches cannot tell how the moved faces hang together.
bool splitMostConnected(const std::vector<int>& stay, int from, Cycle& c) {
    const auto p = static_cast<std::size_t>(from);
    if (!c.table.connected[p]) return false;
    CutPieces& cut = c.cut;
    if (!cutOffPieces(stay, from, c.neighbours, c.table.patchOf, c.search,
                      static_cast<std::size_t>(c.table.live[p]) / 2, cut))
        return false;
    if (cut.faces.size() >= static_cast<std::size_t>(c.table.live[p])) return false;
    const std::int64_t stayNumber = c.table.number[p];
    const std::int64_t base = c.maxNumber + 1;
    // The pieces' surviving faces, ranked while all moved faces are in p.
    std::vector<std::int64_t> pieceRank(cut.count());
    for (std::size_t g = 0; g < cut.count(); ++g) {
        const int z =
            sweepSurvivor(cut.faces.data() + cut.offset[g], cut.offset[g + 1] - cut.offset[g], c);
        pieceRank[g] = c.ranks.below(from, z, c.table.members[p]);
    }
    std::vector<int> cutSorted(cut.faces);
    std::sort(cutSorted.begin(), cutSorted.end());
    takeOut(cutSorted, from, c);
    std::vector<int> left(stay);
    left.insert(left.end(), cutSorted.begin(), cutSorted.end());
    c.minima.removeFaces(from, left);
    // The chain's searches may also go through half the patch: failing
    // then costs at most half again the sweep that follows, and on fine
    // surfaces long chains that a sixteenth cut short mostly end within it.
    int z = c.chains.survivor(c.minima, from, c.table.members[p], c.neighbours, c.table.patchOf,
                              c.search,
                              static_cast<long>(searchLimit(stay.size())) + c.table.live[p] / 2);
    std::int64_t rank;
    if (z >= 0) {
        rank = c.ranks.below(from, z, c.table.members[p]);
    } else {
        const std::vector<int> rest = liveFaces(from, c);
        z = sweepSurvivor(rest.data(), static_cast<int>(rest.size()), c);
        rank = std::lower_bound(rest.begin(), rest.end(), z) - rest.begin();
    }
    rank += std::lower_bound(cutSorted.begin(), cutSorted.end(), z) - cutSorted.begin();
    c.table.number[p] = base + rank;
    c.maxNumber = base + rank;
    for (std::size_t g = 0; g < cut.count(); ++g)
        c.maxNumber = std::max(c.maxNumber, base + pieceRank[g]);
    stayPatch(stay, stayNumber, from, c);
    for (std::size_t g = 0; g < cut.count(); ++g)
        newPatch(cut.faces.data() + cut.offset[g], cut.offset[g + 1] - cut.offset[g],
                 base + pieceRank[g], true, from, c);
    compactIfMostGone(from, c);
    return true;
}

// A split that moves most faces of patch `from`, all but `stay` (out of the
// patch already), by numbering and merging every moved face: the largest
// group of moved faces keeps the patch id and its hierarchy.
void splitMostByFaces(const std::vector<int>& stay, int from, Cycle& c) {
    const auto p = static_cast<std::size_t>(from);
    const std::int64_t stayNumber = c.table.number[p];
    const std::vector<int> moved = liveFaces(from, c);
    renumberAndMerge(moved, c);
    const Groups groups = groupFaces(moved, c.roots, c.scratchId);
    std::size_t keep = 0;
    for (std::size_t g = 1; g < groups.count(); ++g) {
        if (groups.size(g) > groups.size(keep)) keep = g;
    }
    std::vector<int> parted(stay);
    for (std::size_t g = 0; g < groups.count(); ++g) {
        if (g == keep) continue;
        for (std::size_t j = 0; j < groups.size(g); ++j) {
            const int f = groups.faces(g)[j];
            c.table.patchOf[static_cast<std::size_t>(f)] = -1;
            c.hierarchy.remove(from, f);
            c.chains.left(from, f);
            parted.push_back(f);
        }
    }
    c.minima.removeFaces(from, parted);
    c.table.members[p].assign(groups.faces(keep), groups.faces(keep) + groups.size(keep));
    c.table.live[p] = static_cast<int>(groups.size(keep));
    c.ranks.reset(from);
    c.table.number[p] = c.merger.number(groups.faces(keep)[0]);
    c.table.connected[p] = 1;
    stayPatch(stay, stayNumber, from, c);
    makePatches(groups, keep, from, c);
    compactIfMostGone(from, c);
}

PatchResult runCycles(Mesh3D& mesh, const PatchOptions& options) {
    const int faceCount = static_cast<int>(mesh.faces.size());
    const std::vector<int> neighbours = mergeNeighbours(mesh);
    Cycle c(mesh, neighbours, options.candidates);
    PatchTable& table = c.table;
    table.patchOf.assign(static_cast<std::size_t>(faceCount), -1);

    // First merge phase: every face takes part.
    {
        std::vector<int> all(static_cast<std::size_t>(faceCount));
        for (int f = 0; f < faceCount; ++f)
            all[static_cast<std::size_t>(f)] = f;
        c.maxNumber =
            std::max<std::int64_t>(-1, c.merger.merge(neighbours, all, [](int) { return true; }));
        // Numbering from maxNumber + 1 on.
        c.maxNumber = std::max(c.maxNumber, options.firstSplitNumber - 1);
        std::vector<int> taking;
        for (int f = 0; f < faceCount; ++f) {
            if (takesPart(mesh.faces[static_cast<std::size_t>(f)].side)) taking.push_back(f);
        }
        // Their representatives, over the list of all faces, done with.
        std::vector<int>& roots = all;
        for (std::size_t i = 0; i < taking.size(); ++i)
            roots[i] = c.merger.find(taking[i]);
        roots.resize(taking.size());
        const Groups groups = groupFaces(taking, roots, c.scratchId);
        makePatches(groups, groups.count(), -1, c);
    }
    // From here on only moved faces are mergeable.
    for (MeshFace& face : mesh.faces)
        face.mergeable = 0;

    std::vector<int> moved, stay;
    PatchHierarchy::Walk allergicWalk, stayWalk;
    int cursor = 0;
    for (;;) {
        int pivot = -1;
        while (cursor < faceCount) {
            const int patch = table.patchOf[static_cast<std::size_t>(cursor)];
            if (patch >= 0 && table.live[static_cast<std::size_t>(patch)] > 1) {
                pivot = c.hierarchy.lowestAllergen(patch, cursor);
                if (pivot >= 0) break;
            }
            ++cursor; // without allergies now, so for good
        }
        if (pivot < 0) break;
        if (hbx::allocationFails("allergy set")) return PatchResult::SetFailed;

        const int from = table.patchOf[static_cast<std::size_t>(pivot)];
        // Whichever is smaller, the faces allergic to the pivot or the rest
        // of its patch, is listed: both queries run in turn with a growing
        // limit, each going on from where it stopped, until one of them
        // completes (at the latest once the limit reaches half the patch),
        // so the cost follows the smaller side.
        bool few = false;
        moved.clear();
        stay.clear();
        allergicWalk.started = false; // the stacks keep their room
        stayWalk.started = false;
        for (std::size_t limit = 32;; limit *= 4) {
            if (c.hierarchy.collectAllergicTo(from, pivot, moved, limit, allergicWalk)) {
                few = true;
                break;
            }
            if (c.hierarchy.collectNotAllergicTo(from, pivot, stay, limit, stayWalk)) break;
        }
        if (few) {
            std::sort(moved.begin(), moved.end());
            splitFew(moved, from, c);
            continue;
        }
        // Most of the patch moves: what stays leaves it instead.
        std::sort(stay.begin(), stay.end());
        takeOut(stay, from, c);
        if (!splitMostConnected(stay, from, c)) splitMostByFaces(stay, from, c);
    }
    c.merger.writeNumbers(mesh);
    for (int f = 0; f < faceCount; ++f) {
        const int p = table.patchOf[static_cast<std::size_t>(f)];
        if (p >= 0)
            mesh.faces[static_cast<std::size_t>(f)].patch =
                table.number[static_cast<std::size_t>(p)];
    }
    return PatchResult::Done;
}

} // namespace

PatchResult buildPatches(Mesh3D& mesh, const PatchOptions& options) {
    if (hbx::allocationFails("allergy set array")) return PatchResult::SetArrayFailed;
    try {
        return runCycles(mesh, options);
    } catch (const std::bad_alloc&) {
        return PatchResult::SetFailed;
    }
}

} // namespace hbx3
