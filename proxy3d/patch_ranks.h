// How many faces of a patch lie below a given face, asked in a logarithm
// of the patch's size while faces leave it.
#pragma once

#include <vector>

namespace hbx3 {

// Per patch id, a Fenwick tree over the positions of the patch's member
// list (ascending, as the patch cycle keeps it): 1 where the member is
// still in the patch.
class PatchRanks {
  public:
    // patchOf: every face's patch id (kept up to date by the caller); must
    // outlive this.
    explicit PatchRanks(const std::vector<int>& patchOf) : patchOf_(patchOf) {}

    // Counts the members of patch id p (ascending) that are still in it.
    // Call whenever p's member list is rebuilt.
    void reset(int p, const std::vector<int>& members);

    // Face f, a member of p, has left it (counted once per face).
    void remove(int p, int f, const std::vector<int>& members);

    // The faces still in p below face f.
    int below(int p, int f, const std::vector<int>& members) const;

    void release(int p);

  private:
    const std::vector<int>& patchOf_;
    std::vector<std::vector<int>> trees_;
};

} // namespace hbx3
