#include "patch_cycle.h"

#include "alloc_hook.h"
#include "patch_hierarchy.h"
#include "patch_merge.h"

#include <algorithm>
#include <new>

namespace hbx3 {
namespace {

// Patches with hierarchies ('v' and 'c' faces only; 'm' faces have no
// allergies). Faces of other sides have patch id -1. Patch ids are internal
// and independent of the numbers written to the file.
struct PatchTable {
    std::vector<int> patchOf; // per face
    std::vector<int> built;   // faces in the hierarchy when it was built
    std::vector<int> live;    // faces still in the patch
    // Per patch id, ascending; may still list faces that have left since
    // (their patchOf differs), dropped when the hierarchy is rebuilt.
    std::vector<std::vector<int>> members;
};

bool takesPart(char side) { return side == 'v' || side == 'c'; }

// `faces` (ascending) grouped by the merger's representative: group g is
// ordered[offset[g] .. offset[g + 1]), ascending within the group.
struct Groups {
    std::vector<int> ordered;
    std::vector<int> offset;
    std::size_t size(std::size_t g) const { return static_cast<std::size_t>(offset[g + 1] - offset[g]); }
    std::size_t count() const { return offset.size() - 1; }
};

Groups groupFaces(const std::vector<int>& faces, PatchMerger& merger, std::vector<int>& scratchId) {
    // Count, offsets, fill.
    std::vector<int> groupOf(faces.size());
    std::vector<int> counts;
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const auto rep = static_cast<std::size_t>(merger.find(faces[i]));
        if (scratchId[rep] < 0) {
            scratchId[rep] = static_cast<int>(counts.size());
            counts.push_back(0);
        }
        groupOf[i] = scratchId[rep];
        ++counts[static_cast<std::size_t>(groupOf[i])];
    }
    Groups groups;
    groups.offset.assign(counts.size() + 1, 0);
    for (std::size_t g = 0; g < counts.size(); ++g) groups.offset[g + 1] = groups.offset[g] + counts[g];
    groups.ordered.resize(faces.size());
    std::vector<int> fill(groups.offset.begin(), groups.offset.end() - 1);
    for (std::size_t i = 0; i < faces.size(); ++i)
        groups.ordered[static_cast<std::size_t>(fill[static_cast<std::size_t>(groupOf[i])]++)] = faces[i];
    for (int f : faces) scratchId[static_cast<std::size_t>(merger.find(f))] = -1;
    return groups;
}

// Gives faces[0 .. count) (ascending) a new patch id and a hierarchy.
void newPatch(const int* faces, int count, PatchHierarchy& hierarchy, PatchTable& table) {
    const int id = static_cast<int>(table.live.size());
    for (int j = 0; j < count; ++j) table.patchOf[static_cast<std::size_t>(faces[j])] = id;
    hierarchy.build(id, faces, count);
    table.built.push_back(count);
    table.live.push_back(count);
    table.members.emplace_back(faces, faces + count);
}

// Gives each group of `groups` except `skip` a new patch id and a hierarchy.
void makePatches(const Groups& groups, std::size_t skip, PatchHierarchy& hierarchy, PatchTable& table) {
    for (std::size_t g = 0; g < groups.count(); ++g) {
        if (g != skip)
            newPatch(groups.ordered.data() + groups.offset[g], static_cast<int>(groups.size(g)), hierarchy, table);
    }
}

// Rebuilds the hierarchy of patch id p over its live faces once half of
// those it was built over have gone, so queries keep to live faces.
void compactIfHalfGone(int p, PatchHierarchy& hierarchy, PatchTable& table) {
    const auto i = static_cast<std::size_t>(p);
    if (table.live[i] == 0) {
        hierarchy.release(p);
        table.members[i] = std::vector<int>();
        return;
    }
    if (2 * table.live[i] >= table.built[i]) return;
    std::vector<int>& members = table.members[i];
    members.erase(std::remove_if(members.begin(), members.end(),
                                 [&](int f) { return table.patchOf[static_cast<std::size_t>(f)] != p; }),
                  members.end());
    members.shrink_to_fit();
    hierarchy.build(p, members.data(), static_cast<int>(members.size()));
    table.built[i] = table.live[i];
}

// Numbers the moved faces (ascending) from maxNumber + 1 and runs the merge
// phase among them. Returns the new largest number in use.
std::int64_t renumberAndMerge(const std::vector<int>& moved, std::int64_t maxNumber,
                              const std::vector<int>& neighbours, std::vector<unsigned char>& movedMark,
                              PatchMerger& merger) {
    for (int f : moved) movedMark[static_cast<std::size_t>(f)] = 1;
    const std::int64_t largest = merger.merge(
        neighbours, moved, [&](int g) { return movedMark[static_cast<std::size_t>(g)] != 0; }, maxNumber + 1);
    for (int f : moved) movedMark[static_cast<std::size_t>(f)] = 0;
    return std::max(maxNumber, largest);
}

// A split that moves a few faces of patch `from`: they leave its hierarchy
// one by one and their groups get hierarchies of their own.
void splitFew(const std::vector<int>& moved, int from, PatchMerger& merger,
              PatchHierarchy& hierarchy, PatchTable& table, std::vector<int>& scratchId) {
    for (int f : moved) {
        table.patchOf[static_cast<std::size_t>(f)] = -1;
        hierarchy.remove(from, f);
    }
    table.live[static_cast<std::size_t>(from)] -= static_cast<int>(moved.size());
    compactIfHalfGone(from, hierarchy, table);
    const Groups groups = groupFaces(moved, merger, scratchId);
    makePatches(groups, groups.count(), hierarchy, table);
}

// A split that moves most faces of patch `from`, leaving `stay` (ascending):
// the largest group of moved faces keeps the patch id and its hierarchy, and
// only the faces that part from that group leave the hierarchy. A patch that
// sheds a thin ring per split thus costs per split what moves, not a
// rebuild of everything that moves.
void splitMost(const std::vector<int>& moved, const std::vector<int>& stay, int from,
               PatchMerger& merger, PatchHierarchy& hierarchy, PatchTable& table,
               std::vector<int>& scratchId) {
    const Groups groups = groupFaces(moved, merger, scratchId);
    std::size_t keep = 0;
    for (std::size_t g = 1; g < groups.count(); ++g) {
        if (groups.size(g) > groups.size(keep)) keep = g;
    }
    for (int f : stay) hierarchy.remove(from, f);
    for (std::size_t g = 0; g < groups.count(); ++g) {
        if (g == keep) continue;
        for (int j = groups.offset[g]; j < groups.offset[g + 1]; ++j) hierarchy.remove(from, groups.ordered[static_cast<std::size_t>(j)]);
    }
    const auto p = static_cast<std::size_t>(from);
    table.members[p].assign(groups.ordered.begin() + groups.offset[keep],
                            groups.ordered.begin() + groups.offset[keep + 1]);
    table.live[p] = static_cast<int>(groups.size(keep));
    newPatch(stay.data(), static_cast<int>(stay.size()), hierarchy, table);
    makePatches(groups, keep, hierarchy, table);
    compactIfHalfGone(from, hierarchy, table);
}

PatchResult runCycles(Mesh3D& mesh, const PatchOptions& options) {
    const int faceCount = static_cast<int>(mesh.faces.size());
    const std::vector<int> neighbours = mergeNeighbours(mesh);
    PatchMerger merger(mesh);

    // First merge phase: every face takes part.
    std::vector<int> all(static_cast<std::size_t>(faceCount));
    for (int f = 0; f < faceCount; ++f) all[static_cast<std::size_t>(f)] = f;
    std::int64_t maxNumber = std::max<std::int64_t>(-1, merger.merge(neighbours, all, [](int) { return true; }));
    // Numbering from maxNumber + 1 on.
    maxNumber = std::max(maxNumber, options.firstSplitNumber - 1);

    PatchTable table;
    table.patchOf.assign(static_cast<std::size_t>(faceCount), -1);
    PatchHierarchy hierarchy(mesh, table.patchOf);
    std::vector<int> scratchId(static_cast<std::size_t>(faceCount), -1);
    {
        std::vector<int> taking;
        for (int f = 0; f < faceCount; ++f) {
            if (takesPart(mesh.faces[static_cast<std::size_t>(f)].side)) taking.push_back(f);
        }
        const Groups groups = groupFaces(taking, merger, scratchId);
        makePatches(groups, groups.count(), hierarchy, table);
    }
    // From here on only moved faces are mergeable.
    for (MeshFace& face : mesh.faces) face.mergeable = 0;

    std::vector<unsigned char> movedMark(static_cast<std::size_t>(faceCount), 0);
    std::vector<int> moved, stay;
    int cursor = 0;
    for (;;) {
        int pivot = -1;
        while (cursor < faceCount) {
            const int patch = table.patchOf[static_cast<std::size_t>(cursor)];
            if (patch >= 0) {
                pivot = hierarchy.lowestAllergen(patch, cursor);
                if (pivot >= 0) break;
            }
            ++cursor; // without allergies now, so for good
        }
        if (pivot < 0) {
            merger.writeNumbers(mesh);
            return PatchResult::Done;
        }
        if (hbx::allocationFails("allergy set")) return PatchResult::SetFailed;

        const int from = table.patchOf[static_cast<std::size_t>(pivot)];
        // Whichever is smaller, the faces allergic to the pivot or the rest
        // of its patch, is listed: both queries run with a growing limit
        // until one of them completes (at the latest once the limit reaches
        // half the patch), so the cost follows the smaller side.
        bool few = false;
        for (std::size_t limit = 32;; limit *= 4) {
            moved.clear();
            if (hierarchy.collectAllergicTo(from, pivot, moved, limit)) {
                few = true;
                break;
            }
            stay.clear();
            if (hierarchy.collectNotAllergicTo(from, pivot, stay, limit)) break;
        }
        if (few) {
            std::sort(moved.begin(), moved.end());
            maxNumber = renumberAndMerge(moved, maxNumber, neighbours, movedMark, merger);
            splitFew(moved, from, merger, hierarchy, table, scratchId);
            continue;
        }
        // Most of the patch moves: find what stays instead, and list the
        // moved faces from the patch's members.
        std::sort(stay.begin(), stay.end());
        for (int f : stay) movedMark[static_cast<std::size_t>(f)] = 1;
        moved.clear();
        for (int f : table.members[static_cast<std::size_t>(from)]) {
            if (table.patchOf[static_cast<std::size_t>(f)] == from && !movedMark[static_cast<std::size_t>(f)])
                moved.push_back(f);
        }
        for (int f : stay) movedMark[static_cast<std::size_t>(f)] = 0;
        maxNumber = renumberAndMerge(moved, maxNumber, neighbours, movedMark, merger);
        splitMost(moved, stay, from, merger, hierarchy, table, scratchId);
    }
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
