#include "proxy3d/survivor_chains.h"

#include <algorithm>
#include <cassert>
#include <functional>

namespace hbx3 {

SurvivorChains::SurvivorChains(std::size_t faceCount) : faceCount_(faceCount) {}

SurvivorChains::Chain* SurvivorChains::chainOf(int p) {
    const auto i = static_cast<std::size_t>(p);
    if (i >= slot_.size() || slot_[i] < 0) return nullptr;
    return &chains_[static_cast<std::size_t>(slot_[i])];
}

void SurvivorChains::left(int p, int f) {
    if (firstUse_.empty()) return; // no chain asked yet
    const auto i = static_cast<std::size_t>(f);
    Chain* chain = chainOf(p);
    if (chain != nullptr && onChain_[i] == chain->id) {
        // Off the list at once: a face can be a node of one chain only, and
        // f may join another as soon as it has left. Its predecessor's step
        // went through f, so it is walked again.
        const int before = prev_[i], after = next_[i];
        if (before >= 0) {
            next_[static_cast<std::size_t>(before)] = after;
        } else {
            chain->top = after;
            chain->topLeft = true;
        }
        if (after >= 0)
            prev_[static_cast<std::size_t>(after)] = before;
        else
            chain->end = -1;
        // The step of the node before went to f: it is walked again, and
        // an open chain goes on from there.
        if (before >= 0)
            chain->broken.emplace_back(before, version_[static_cast<std::size_t>(before)]);
        if (chain->open == f) chain->open = before;
        onChain_[i] = 0;
        ++version_[i];
    }
    if (chain != nullptr && chain->replayed && replayOf_[i] == chain->replayId)
        chain->replayStale = true;
    int& first = firstUse_[i];
    if (chain != nullptr) {
        for (int u = first; u >= 0; u = uses_[static_cast<std::size_t>(u)].next) {
            const Use& use = uses_[static_cast<std::size_t>(u)];
            const auto node = static_cast<std::size_t>(use.node);
            if (onChain_[node] == chain->id && version_[node] == use.version)
                chain->broken.emplace_back(use.node, use.version);
        }
    }
    // f never comes back to p; a later patch of f starts a list afresh.
    first = -1;
}

void SurvivorChains::forget(int p) {
    const auto i = static_cast<std::size_t>(p);
    if (i >= slot_.size() || slot_[i] < 0) return;
    Chain& chain = chains_[static_cast<std::size_t>(slot_[i])];
    chain.id = 0; // its nodes' tags no longer match any chain
    chain.broken = {};
    chain.credit = 0;
    freeSlots_.push_back(slot_[i]);
    slot_[i] = -1;
}

void SurvivorChains::forgetAll() {
    slot_.assign(slot_.size(), -1);
    chains_.clear();
    freeSlots_.clear();
    uses_.clear();
    std::fill(firstUse_.begin(), firstUse_.end(), -1);
}

// Takes the old nodes from `from` down to `to` (exclusive; -1: to the
// end) off the chain. They all follow `from`, so the walk costs what it
// removes, once per node added.
void SurvivorChains::unlink(Chain& chain, int from, int to) {
    int n = from;
    while (n >= 0 && n != to) {
        const auto i = static_cast<std::size_t>(n);
        assert(onChain_[i] == chain.id);
        const int after = next_[i];
        onChain_[i] = 0;
        ++version_[i];
        n = after;
    }
    assert(n == to);
    (void)chain;
}

// Walks the chain afresh from node x (tagged already) until it meets an
// old node, then takes the old nodes between off the chain: oldNext is
// where the old chain went on after x (or the old top, when x is the new
// one). Records each step's witness. When the searches run out of budget,
// the chain ends open at the node whose step was being sought, the old
// nodes below are taken off, and false is returned: what was walked stays
// valid and the next question goes on from there.
bool SurvivorChains::walkFrom(ChainWalk& w, const PatchMinima& minima, Chain& chain, int x,
                              int oldNext) {
    for (;;) {
        const ChainStep step = chainStep(w, minima, x, witness_);
        const auto i = static_cast<std::size_t>(x);
        ++version_[i];
        if (step.kind != ChainStep::Next) {
            next_[i] = -1;
            chain.last = x;
            unlink(chain, oldNext, -1);
            const bool open = step.kind == ChainStep::OverBudget;
            chain.open = open ? x : -1;
            chain.end = open ? -1 : step.face;
            chain.replayed = step.kind == ChainStep::Replayed;
            chain.replayStale = false;
            if (chain.replayed) {
                // The group the replay saw, all of it in the search's queue:
                // the replay holds until one of its faces leaves.
                chain.replayId = ++lastReplay_;
                for (int f : w.s.queue)
                    replayOf_[static_cast<std::size_t>(f)] = chain.replayId;
            }
            return !open;
        }
        // The path's ends are nodes, which break the step into them when
        // they leave: only the faces between need to know the step.
        for (std::size_t k = 1; k + 1 < witness_.size(); ++k) {
            const int f = witness_[k];
            int& first = firstUse_[static_cast<std::size_t>(f)];
            uses_.push_back({x, version_[i], first});
            first = static_cast<int>(uses_.size()) - 1;
        }
        const int y = step.face;
        next_[i] = y;
        prev_[static_cast<std::size_t>(y)] = x;
        if (onChain_[static_cast<std::size_t>(y)] == chain.id) {
            unlink(chain, oldNext, y);
            return true;
        }
        onChain_[static_cast<std::size_t>(y)] = chain.id;
        x = y;
    }
}

int SurvivorChains::survivor(const PatchMinima& minima, int p, const std::vector<int>& members,
                             const std::vector<int>& neighbours, const std::vector<int>& patchOf,
                             SearchScratch& scratch, long budget) {
    auto isLive = [&](int f) { return patchOf[static_cast<std::size_t>(f)] == p; };
    if (minima.count(p) == 0) return -1;
    if (minima.count(p) == 1) {
        // The lowest face: the chain ends there.
        for (int f : members)
            if (isLive(f)) return f;
        return -1;
    }
    if (onChain_.empty()) {
        onChain_.assign(faceCount_, 0);
        next_.assign(faceCount_, -1);
        prev_.assign(faceCount_, -1);
        version_.assign(faceCount_, 0);
        firstUse_.assign(faceCount_, -1);
        replayOf_.assign(faceCount_, 0);
    }
    // Forgotten uses pile up as faces leave; start over once they
    // outnumber the faces, so memory stays linear.
    if (uses_.size() > faceCount_ + 4096) forgetAll();
    Chain* chain = chainOf(p);
    if (chain == nullptr) {
        if (slot_.size() <= static_cast<std::size_t>(p))
            slot_.resize(static_cast<std::size_t>(p) + 1, -1);
        int s;
        if (freeSlots_.empty()) {
            s = static_cast<int>(chains_.size());
            chains_.emplace_back();
        } else {
            s = freeSlots_.back();
            freeSlots_.pop_back();
        }
        slot_[static_cast<std::size_t>(p)] = s;
        chain = &chains_[static_cast<std::size_t>(s)];
    }
    auto highest = [&] {
        for (auto it = members.rbegin(); it != members.rend(); ++it)
            if (isLive(*it)) return *it;
        return -1;
    };
    bool ok = true;
    if (chain->id == 0) {
        chain->id = ++lastId_;
        chain->top = -1;
        chain->open = -1;
        chain->credit = 0;
        chain->replayed = false;
    }
    // A step that needs more than the budget would otherwise be sought in
    // vain at every question: each question that runs out lends the next
    // twice what it had, up to four budgets, so a long walk gets through in
    // a few questions while one that never ends (faces numbered at random,
    // where each step searches across the patch) costs at most five budgets
    // a question.
    const long allowed = budget + chain->credit;
    ChainWalk w{p, members, neighbours, patchOf, scratch, allowed, ++scratch.markStamp};
    // The list's head is p's highest face unless that face has left: the
    // new highest face starts the chain, which goes on until it meets the
    // old one.
    if (chain->top < 0 || !isLive(chain->top) || chain->topLeft) {
        const int top = highest();
        if (top != chain->top) {
            const auto i = static_cast<std::size_t>(top);
            onChain_[i] = chain->id;
            prev_[i] = -1;
            ok = walkFrom(w, minima, *chain, top, chain->top);
            chain->top = top;
        }
        chain->topLeft = false;
    }
    // Highest first: a walk from a node may take lower broken nodes off
    // the chain, and meets the old chain above the next one. A walk that
    // runs out of budget takes every old node below it off, so the broken
    // nodes not reached then are gone too.
    std::vector<std::pair<int, unsigned>>& broken = chain->broken;
    std::sort(broken.begin(), broken.end(), std::greater<>());
    for (std::size_t b = 0; ok && b < broken.size(); ++b) {
        const auto [node, version] = broken[b];
        const auto i = static_cast<std::size_t>(node);
        if (onChain_[i] != chain->id || version_[i] != version) continue;
        assert(isLive(node));
        ok = walkFrom(w, minima, *chain, node, next_[i]);
    }
    broken.clear();
    // A chain left open by an earlier question goes on where it stopped.
    if (ok && chain->open >= 0) ok = walkFrom(w, minima, *chain, chain->open, -1);
    // A replay holds only for the group it saw: once that has lost a face,
    // the last node's step is sought again.
    if (ok && chain->replayed && chain->replayStale) {
        assert(onChain_[static_cast<std::size_t>(chain->last)] == chain->id);
        ok = walkFrom(w, minima, *chain, chain->last, -1);
    }
    if (!ok) {
        chain->credit = std::min(2 * allowed, 4 * budget);
        return -1;
    }
    chain->credit = 0;
    const int z = chain->end;
    assert(z >= 0);
    if (z < 0) {
        forget(p);
        return -1;
    }
    return z;
}

} // namespace hbx3
