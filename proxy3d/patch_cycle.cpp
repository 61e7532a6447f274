#include "patch_cycle.h"

#include "alloc_hook.h"
#include "patch_hierarchy.h"
#include "patch_merge.h"

#include <algorithm>
#include <new>

namespace hbx3 {
namespace {

// Patches with hierarchies ('v' and 'c' faces only; 'm' faces have no
// allergies). Faces of other sides have patch id -1.
struct PatchTable {
    std::vector<int> patchOf; // per face
    std::vector<int> built;   // faces in the hierarchy when it was built
    std::vector<int> live;    // faces still in the patch
};

bool takesPart(char side) { return side == 'v' || side == 'c'; }

// Gives each group of `faces` (grouped by the merger's representative) a
// new patch id and a hierarchy.
void makePatches(const std::vector<int>& faces, PatchMerger& merger, PatchHierarchy& hierarchy,
                 PatchTable& table, std::vector<int>& scratchId) {
    // Count, offsets, fill: faces of one group side by side, ascending.
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
    std::vector<int> offset(counts.size() + 1, 0);
    for (std::size_t g = 0; g < counts.size(); ++g) offset[g + 1] = offset[g] + counts[g];
    std::vector<int> ordered(faces.size());
    {
        std::vector<int> fill(offset.begin(), offset.end() - 1);
        for (std::size_t i = 0; i < faces.size(); ++i)
            ordered[static_cast<std::size_t>(fill[static_cast<std::size_t>(groupOf[i])]++)] = faces[i];
    }
    for (int f : faces) scratchId[static_cast<std::size_t>(merger.find(f))] = -1;
    const int firstId = static_cast<int>(table.live.size());
    for (std::size_t g = 0; g < counts.size(); ++g) {
        const int id = firstId + static_cast<int>(g);
        for (int j = offset[g]; j < offset[g + 1]; ++j) table.patchOf[static_cast<std::size_t>(ordered[static_cast<std::size_t>(j)])] = id;
        hierarchy.build(id, ordered.data() + offset[g], counts[g]);
        table.built.push_back(counts[g]);
        table.live.push_back(counts[g]);
    }
}

// Moves `moved` (ascending, all of patch `from`) out of their patch: new
// numbers above `maxNumber`, one merge phase among themselves, new patches.
// Returns the new largest number in use.
int splitOff(Mesh3D& mesh, const std::vector<int>& moved, int from, int maxNumber,
             const std::vector<int>& neighbours, std::vector<unsigned char>& movedMark,
             PatchMerger& merger, PatchHierarchy& hierarchy, PatchTable& table,
             std::vector<int>& scratchId) {
    int next = maxNumber + 1;
    for (int f : moved) {
        mesh.faces[static_cast<std::size_t>(f)].patch = next++;
        movedMark[static_cast<std::size_t>(f)] = 1;
    }
    merger.merge(mesh, neighbours, moved,
                 [&](int g) { return movedMark[static_cast<std::size_t>(g)] != 0; });
    int largest = maxNumber;
    for (int f : moved) {
        movedMark[static_cast<std::size_t>(f)] = 0;
        largest = std::max(largest, mesh.faces[static_cast<std::size_t>(f)].patch);
    }

    // The patch left behind: shrink its hierarchy, rebuild it once half of
    // it has gone, so queries keep to live faces.
    for (int f : moved) {
        table.patchOf[static_cast<std::size_t>(f)] = -1;
        hierarchy.remove(from, f);
    }
    const auto p = static_cast<std::size_t>(from);
    table.live[p] -= static_cast<int>(moved.size());
    if (table.live[p] > 0 && 2 * table.live[p] < table.built[p]) {
        std::vector<int> rest;
        hierarchy.collectLive(from, rest);
        hierarchy.build(from, rest.data(), static_cast<int>(rest.size()));
        table.built[p] = table.live[p];
    }
    makePatches(moved, merger, hierarchy, table, scratchId);
    return largest;
}

PatchResult runCycles(Mesh3D& mesh) {
    const int faceCount = static_cast<int>(mesh.faces.size());
    const std::vector<int> neighbours = mergeNeighbours(mesh);
    PatchMerger merger(faceCount);

    // First merge phase: every face takes part.
    std::vector<int> all(static_cast<std::size_t>(faceCount));
    for (int f = 0; f < faceCount; ++f) all[static_cast<std::size_t>(f)] = f;
    merger.merge(mesh, neighbours, all, [](int) { return true; });
    int maxNumber = -1;
    for (const MeshFace& face : mesh.faces) maxNumber = std::max(maxNumber, face.patch);

    PatchTable table;
    table.patchOf.assign(static_cast<std::size_t>(faceCount), -1);
    PatchHierarchy hierarchy(mesh, table.patchOf);
    std::vector<int> scratchId(static_cast<std::size_t>(faceCount), -1);
    {
        std::vector<int> taking;
        for (int f = 0; f < faceCount; ++f) {
            if (takesPart(mesh.faces[static_cast<std::size_t>(f)].side)) taking.push_back(f);
        }
        makePatches(taking, merger, hierarchy, table, scratchId);
    }
    // From here on only moved faces are mergeable.
    for (MeshFace& face : mesh.faces) face.mergeable = 0;

    std::vector<unsigned char> movedMark(static_cast<std::size_t>(faceCount), 0);
    std::vector<int> moved;
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
        if (pivot < 0) return PatchResult::Done;
        if (hbx::allocationFails("allergy set")) return PatchResult::SetFailed;

        const int from = table.patchOf[static_cast<std::size_t>(pivot)];
        moved.clear();
        hierarchy.collectAllergicTo(from, pivot, moved);
        std::sort(moved.begin(), moved.end());
        maxNumber = splitOff(mesh, moved, from, maxNumber, neighbours, movedMark, merger, hierarchy,
                             table, scratchId);
    }
}

} // namespace

PatchResult buildPatches(Mesh3D& mesh) {
    if (hbx::allocationFails("allergy set array")) return PatchResult::SetArrayFailed;
    try {
        return runCycles(mesh);
    } catch (const std::bad_alloc&) {
        return PatchResult::SetFailed;
    }
}

} // namespace hbx3
