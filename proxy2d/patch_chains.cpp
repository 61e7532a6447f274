#include "proxy2d/patch_chains.h"

namespace hbx2 {

PatchChains::PatchChains(const Mesh2D& mesh)
    : chain_(mesh.edges.size(), -1), pos_(mesh.edges.size(), -1), mark_(mesh.edges.size(), 0) {
    const std::size_t count = mesh.edges.size();
    // Neighbours: up to two per edge, -1 none; a third or a repeat spoils.
    std::vector<int> next(2 * count, -1);
    std::vector<std::uint8_t> spoilt(count, 0);
    auto link = [&](int a, int b) {
        if (a == b || next[2 * a] == b || next[2 * a + 1] == b) spoilt[a] = 1;
        if (next[2 * a] < 0)
            next[2 * a] = b;
        else if (next[2 * a + 1] < 0)
            next[2 * a + 1] = b;
        else
            spoilt[a] = 1;
    };
    auto merging = [&](int e) {
        return e >= 0 && mesh.edges[e].outline &&
               (mesh.edges[e].type == 'c' || mesh.edges[e].type == 'v');
    };
    for (const MeshVertex2D& w : mesh.vertices) {
        const int a = w.edge[0], b = w.edge[1];
        if (a == b || !merging(a) || !merging(b) || mesh.edges[a].type != mesh.edges[b].type)
            continue;
        link(a, b);
        link(b, a);
    }
    std::vector<int> component;
    std::vector<std::uint8_t> seen(count, 0);
    for (std::size_t s = 0; s < count; ++s) {
        if (seen[s] || !merging(static_cast<int>(s))) continue;
        // The whole component, and whether it is a simple path or loop.
        component.clear();
        component.push_back(static_cast<int>(s));
        seen[s] = 1;
        bool simple = true;
        int end = -1;
        for (std::size_t k = 0; k < component.size(); ++k) {
            const int e = component[k];
            simple = simple && !spoilt[e];
            if (next[2 * e + 1] < 0) end = e;
            for (int j = 0; j < 2; ++j) {
                const int n = next[2 * e + j];
                if (n >= 0 && !seen[n]) {
                    seen[n] = 1;
                    component.push_back(n);
                }
            }
        }
        if (!simple) continue;
        const int c = static_cast<int>(length_.size());
        const int len = static_cast<int>(component.size());
        first_.push_back(static_cast<int>(order_.size()));
        length_.push_back(len);
        closed_.push_back(end < 0);
        // Walk from an end (or anywhere on a loop).
        int prev = -1, e = end >= 0 ? end : component.front();
        for (int k = 0; k < len; ++k) {
            chain_[e] = c;
            pos_[e] = k;
            order_.push_back(e);
            const int n = next[2 * e] != prev ? next[2 * e] : next[2 * e + 1];
            prev = e;
            e = n;
        }
    }
    // Runs over every chain read twice round (a path's second reading is
    // never asked about).
    rise_.resize(2 * order_.size());
    fall_.resize(2 * order_.size());
    for (std::size_t c = 0; c < length_.size(); ++c) {
        const int base = 2 * first_[c], len = length_[c];
        for (int k = 2 * len - 1; k >= 0; --k) {
            const bool last = k == 2 * len - 1;
            const int here = order_[first_[c] + k % len];
            const int after = last ? -1 : order_[first_[c] + (k + 1) % len];
            rise_[base + k] = !last && here < after ? rise_[base + k + 1] + 1 : 1;
            fall_[base + k] = !last && here > after ? fall_[base + k + 1] + 1 : 1;
        }
    }
}

int PatchChains::at(int c, int pos) const {
    return order_[first_[c] + pos % length_[c]];
}

int PatchChains::offsetIn(const ChainInterval& iv, int e) const {
    const int len = length_[iv.chain];
    return (pos_[e] - iv.start + len) % len;
}

int PatchChains::edgeAt(const ChainInterval& iv, int k) const {
    return at(iv.chain, iv.start + k);
}

int PatchChains::direction(const ChainInterval& iv) const {
    const int k = 2 * first_[iv.chain] + iv.start;
    if (rise_[k] >= iv.length) return 1;
    if (fall_[k] >= iv.length) return -1;
    return 0;
}

ChainInterval PatchChains::intervalOf(const std::vector<int>& edges) {
    ChainInterval iv;
    if (edges.empty()) return iv;
    const int c = chain_[edges.front()];
    if (c < 0) return iv;
    for (int e : edges) {
        if (chain_[e] != c) return iv;
        mark_[e] = 1;
    }
    // The stretch starts at the one edge whose predecessor is not marked.
    int starts = 0, start = 0;
    for (int e : edges) {
        const int p = pos_[e];
        const bool open =
            p == 0 ? !closed_[c] || !mark_[at(c, length_[c] - 1)] : !mark_[at(c, p - 1)];
        if (open) {
            ++starts;
            start = p;
        }
    }
    for (int e : edges)
        mark_[e] = 0;
    const int size = static_cast<int>(edges.size());
    if (starts == 1 || (starts == 0 && size == length_[c])) {
        iv.chain = c;
        iv.start = starts == 1 ? start : 0;
        iv.length = size;
    }
    return iv;
}

} // namespace hbx2
