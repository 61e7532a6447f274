#include "proxy2d/patch_chains.h"

namespace hbx2 {

PatchChains::PatchChains(const Mesh2D& mesh)
    : chain_(mesh.edges.size(), -1), pos_(mesh.edges.size(), -1), mark_(mesh.edges.size(), 0) {
    const std::size_t count = mesh.edges.size();
    // Neighbours: up to two per edge, -1 none; a third or a repeat spoils.
    std::vector<std::int32_t> next(2 * count, -1);
    std::vector<std::uint8_t> spoilt(count, 0);
    auto link = [&](std::int32_t a, std::int32_t b) {
        if (a == b || next[2 * a] == b || next[2 * a + 1] == b) spoilt[a] = 1;
        if (next[2 * a] < 0)
            next[2 * a] = b;
        else if (next[2 * a + 1] < 0)
            next[2 * a + 1] = b;
        else
            spoilt[a] = 1;
    };
    auto merging = [&](std::int32_t e) {
        return e >= 0 && mesh.edges[e].outline &&
               (mesh.edges[e].type == 'c' || mesh.edges[e].type == 'v');
    };
    for (const MeshVertex2D& w : mesh.vertices) {
        const std::int32_t a = w.edge[0], b = w.edge[1];
        if (a == b || !merging(a) || !merging(b) || mesh.edges[a].type != mesh.edges[b].type)
            continue;
        link(a, b);
        link(b, a);
    }
    std::vector<std::int32_t> component;
    std::vector<std::uint8_t> seen(count, 0);
    for (std::size_t s = 0; s < count; ++s) {
        if (seen[s] || !merging(static_cast<std::int32_t>(s))) continue;
        // The whole component, and whether it is a simple path or loop.
        component.clear();
        component.push_back(static_cast<std::int32_t>(s));
        seen[s] = 1;
        bool simple = true;
        std::int32_t end = -1;
        for (std::size_t k = 0; k < component.size(); ++k) {
            const std::int32_t e = component[k];
            simple = simple && !spoilt[e];
            if (next[2 * e + 1] < 0) end = e;
            for (int j = 0; j < 2; ++j) {
                const std::int32_t n = next[2 * e + j];
                if (n >= 0 && !seen[n]) {
                    seen[n] = 1;
                    component.push_back(n);
                }
            }
        }
        if (!simple) continue;
        const std::int32_t c = static_cast<std::int32_t>(length_.size());
        const std::int32_t len = static_cast<std::int32_t>(component.size());
        first_.push_back(static_cast<std::int32_t>(order_.size()));
        length_.push_back(len);
        closed_.push_back(end < 0);
        // Walk from an end (or anywhere on a loop).
        std::int32_t prev = -1, e = end >= 0 ? end : component.front();
        for (std::int32_t k = 0; k < len; ++k) {
            chain_[e] = c;
            pos_[e] = k;
            order_.push_back(e);
            const std::int32_t n = next[2 * e] != prev ? next[2 * e] : next[2 * e + 1];
            prev = e;
            e = n;
        }
    }
    // Runs over every chain read twice round (a path's second reading is
    // never asked about).
    rise_.resize(2 * order_.size());
    fall_.resize(2 * order_.size());
    for (std::size_t c = 0; c < length_.size(); ++c) {
        const std::int32_t base = 2 * first_[c], len = length_[c];
        for (std::int32_t k = 2 * len - 1; k >= 0; --k) {
            const bool last = k == 2 * len - 1;
            const std::int32_t here = order_[first_[c] + k % len];
            const std::int32_t after = last ? -1 : order_[first_[c] + (k + 1) % len];
            rise_[base + k] = !last && here < after ? rise_[base + k + 1] + 1 : 1;
            fall_[base + k] = !last && here > after ? fall_[base + k + 1] + 1 : 1;
        }
    }
}

std::int32_t PatchChains::at(std::int32_t c, std::int32_t pos) const {
    return order_[first_[c] + pos % length_[c]];
}

std::int32_t PatchChains::offsetIn(const ChainInterval& iv, std::int32_t e) const {
    const std::int32_t len = length_[iv.chain];
    return (pos_[e] - iv.start + len) % len;
}

std::int32_t PatchChains::edgeAt(const ChainInterval& iv, std::int32_t k) const {
    return at(iv.chain, iv.start + k);
}

int PatchChains::direction(const ChainInterval& iv) const {
    const std::int32_t k = 2 * first_[iv.chain] + iv.start;
    if (rise_[k] >= iv.length) return 1;
    if (fall_[k] >= iv.length) return -1;
    return 0;
}

ChainInterval PatchChains::intervalOf(const std::vector<std::int32_t>& edges) {
    ChainInterval iv;
    if (edges.empty()) return iv;
    const std::int32_t c = chain_[edges.front()];
    if (c < 0) return iv;
    for (std::int32_t e : edges) {
        if (chain_[e] != c) return iv;
        mark_[e] = 1;
    }
    // The stretch starts at the one edge whose predecessor is not marked.
    std::int32_t starts = 0, start = 0;
    for (std::int32_t e : edges) {
        const std::int32_t p = pos_[e];
        const bool open =
            p == 0 ? !closed_[c] || !mark_[at(c, length_[c] - 1)] : !mark_[at(c, p - 1)];
        if (open) {
            ++starts;
            start = p;
        }
    }
    for (std::int32_t e : edges)
        mark_[e] = 0;
    const std::int32_t size = static_cast<std::int32_t>(edges.size());
    if (starts == 1 || (starts == 0 && size == length_[c])) {
        iv.chain = c;
        iv.start = starts == 1 ? start : 0;
        iv.length = size;
    }
    return iv;
}

} // namespace hbx2
