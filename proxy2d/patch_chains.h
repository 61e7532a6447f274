// The chains along which outline edges of one type merge: two 'c' or two 'v'
// edges held in the two slots of one vertex are neighbours, so every edge has
// at most two, and the neighbours form paths and closed loops. Every patch
// the splits make out of one of them is a union of stretches of consecutive
// edges along it; a patch that is one stretch is an interval of positions,
// and a stretch whose edge indices rise (or fall) all along it merges into
// the number of its lowest edge.
#pragma once

#include "proxy2d/mesh2d.h"

#include <cstdint>
#include <vector>

namespace hbx2 {

// A stretch of `length` consecutive positions of one chain from `start`
// (taken modulo the length of a closed chain).
struct ChainInterval {
    int chain = -1; // -1: not one stretch
    int start = 0;
    int length = 0;
};

class PatchChains {
  public:
    // Walks the chains of the outline's 'c' and 'v' edges. A component whose
    // neighbours do not form a simple path or loop (an edge that neighbours
    // itself or one edge twice) gets no chain. Throws std::bad_alloc.
    explicit PatchChains(const Mesh2D& mesh);

    int chainOf(int e) const { return chain_[e]; }
    int length(int c) const { return length_[c]; }
    bool closed(int c) const { return closed_[c] != 0; }
    // Offset of edge e from the start of interval iv (e must lie in it).
    int offsetIn(const ChainInterval& iv, int e) const;
    // The edge at offset k of interval iv.
    int edgeAt(const ChainInterval& iv, int k) const;
    // 1 when the edge indices rise along iv, -1 when they fall, 0 otherwise
    // (a stretch of one edge rises).
    int direction(const ChainInterval& iv) const;
    // The interval the given edges form, or chain -1 when they are not one
    // stretch. Uses a scratch mark per edge.
    ChainInterval intervalOf(const std::vector<int>& edges);

  private:
    int at(int c, int pos) const;

    std::vector<int> chain_; // per edge; -1 none
    std::vector<int> pos_;   // per edge: position along its chain
    std::vector<int> first_; // per chain: where its edges start in order_
    std::vector<int> length_;
    std::vector<std::uint8_t> closed_;
    std::vector<int> order_; // edges chain after chain, in position order
    // Per chain, from first_ * 2: lengths of the rising and falling runs of
    // edge indices from each position, over the chain read twice round.
    std::vector<int> rise_, fall_;
    std::vector<std::uint8_t> mark_;
};

} // namespace hbx2
