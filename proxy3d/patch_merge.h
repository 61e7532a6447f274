// The merge phase of patch building, as a union-find.
#pragma once

#include "proxy3d/mesh3d.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace hbx3 {

// For every face slot 3f+k, the neighbour that the merge phase looks at
// across that side, or -1: the other face of the slot's edge
// (face2 seen from face1, face1 seen from face2; a further face of an edge
// with three or more faces has none), kept only when its side letter equals
// the face's own. The relation is symmetric: g is a neighbour of f across
// one of f's sides exactly when f is a neighbour of g across one of g's.
std::vector<int> mergeNeighbours(const Mesh3D& mesh);

// Union-find over the faces that keeps, for every group, the patch number
// the merge sweeps would leave: when face F pulls neighbour G in, the joined
// group takes F's number (the last absorber wins).
//
// The numbers live in the merger's own dense array while the patch cycle
// runs (the face records are wide); writeNumbers() puts them into the
// faces. The patch cycle keeps the numbers of whole patches itself and asks
// the merger only for the faces it merges one by one.
class PatchMerger {
  public:
    // Starts every face with the patch number its record holds.
    explicit PatchMerger(const Mesh3D& mesh);

    // One merge phase over the mergeable faces `ascending` (sorted). Each
    // listed face starts with its current number as its label, or, when
    // firstNumber is not negative, with firstNumber + its position in the
    // list (the numbering of moved faces). mergeable(g) tells whether face g
    // takes part, and must hold exactly for the listed faces; neighbours
    // must be symmetric (mergeNeighbours). Visits faces ascending and slots
    // 0, 1, 2, as the sweep does; afterwards every listed face holds its
    // group's number. Later sweeps of a phase change no number, so one pass
    // is the whole phase.
    // Returns the largest number a listed face holds (the lowest int64 for
    // an empty list). With roots, fills (*roots)[i] with the representative
    // of ascending[i]'s group (what find gives until the next merge).
    template <class Mergeable>
    std::int64_t merge(const std::vector<int>& neighbours, const std::vector<int>& ascending,
                       Mergeable mergeable, std::int64_t firstNumber = -1,
                       std::vector<int>* roots = nullptr) {
        for (std::size_t i = 0; i < ascending.size(); ++i) {
            const auto f = static_cast<std::size_t>(ascending[i]);
            parent_[f] = ascending[i];
            size_[f] = 1;
            label_[f] = firstNumber >= 0 ? firstNumber + static_cast<std::int64_t>(i) : number_[f];
        }
        for (int f : ascending) {
            // f's representative, followed as f pulls its neighbours in.
            int root = find(f);
            for (int k = 0; k < 3; ++k) {
                // A lower neighbour that takes part was visited before f and
                // pulled f in then: the two are one group already.
                const int g = neighbours[static_cast<std::size_t>(3 * f + k)];
                if (g > f && mergeable(g)) root = pullIn(root, g);
            }
        }
        std::int64_t largest = std::numeric_limits<std::int64_t>::min();
        if (roots != nullptr) roots->resize(ascending.size());
        for (std::size_t i = 0; i < ascending.size(); ++i) {
            const int f = ascending[i];
            const int root = find(f);
            if (roots != nullptr) (*roots)[i] = root;
            const std::int64_t number = label_[static_cast<std::size_t>(root)];
            number_[static_cast<std::size_t>(f)] = number;
            largest = std::max(largest, number);
        }
        return largest;
    }

    // Face f's current patch number.
    std::int64_t number(int f) const { return number_[static_cast<std::size_t>(f)]; }

    // Writes every face's current number into its record.
    void writeNumbers(Mesh3D& mesh) const;

    // The representative face of f's group after the latest merge.
    int find(int f) {
        int root = f;
        while (parent_[static_cast<std::size_t>(root)] != root)
            root = parent_[static_cast<std::size_t>(root)];
        while (parent_[static_cast<std::size_t>(f)] != root) {
            const int next = parent_[static_cast<std::size_t>(f)];
            parent_[static_cast<std::size_t>(f)] = root;
            f = next;
        }
        return root;
    }

  private:
    // Joins the group of `absorbed` into the group whose representative is
    // root, the joined group taking root's label; returns the joined
    // group's representative.
    int pullIn(int root, int absorbed);

    std::vector<int> parent_;
    std::vector<int> size_;
    std::vector<std::int64_t> label_;
    std::vector<std::int64_t> number_;
};

} // namespace hbx3
