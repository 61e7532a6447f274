// How many faces of a patch lie below a given face, asked in a logarithm
// of the patch's size while faces leave it.
#pragma once

#include <vector>

namespace hbx3 {

// Per patch id, a Fenwick tree over the positions of the patch's member
// list (ascending, as the patch cycle keeps it): 1 where the member is
// still in the patch. Built at the first question, so patches never asked
// cost nothing.
class PatchRanks {
  public:
    // patchOf: every face's patch id (kept up to date by the caller); must
    // outlive this.
    explicit PatchRanks(const std::vector<int>& patchOf) : patchOf_(patchOf) {}

    // Forgets the counts of patch id p. Call whenever p's member list is
    // rebuilt.
    void reset(int p);

    // faces (ascending, members of p) have left it (counted once per face).
    void remove(int p, const std::vector<int>& faces, const std::vector<int>& members);

    // The faces still in p below face f.
    int below(int p, int f, const std::vector<int>& members);

    void release(int p);

  private:
    const std::vector<int>& patchOf_;
    std::vector<std::vector<int>> trees_;
};

} // namespace hbx3
