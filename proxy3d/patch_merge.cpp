#include "proxy3d/patch_merge.h"

#include <utility>

namespace hbx3 {

std::vector<int> mergeNeighbours(const Mesh3D& mesh) {
    const int faceCount = static_cast<int>(mesh.faces.size());
    std::vector<int> neighbours(static_cast<std::size_t>(faceCount) * 3, -1);
    for (int f = 0; f < faceCount; ++f) {
        const MeshFace& face = mesh.faces[static_cast<std::size_t>(f)];
        for (int k = 0; k < 3; ++k) {
            const MeshEdge& e = mesh.edges[static_cast<std::size_t>(face.edge[k])];
            int g = -1;
            if (e.face1 == f && e.face2 != -1)
                g = e.face2;
            else if (e.face2 == f)
                g = e.face1;
            if (g >= 0 && mesh.faces[static_cast<std::size_t>(g)].side == face.side)
                neighbours[static_cast<std::size_t>(3 * f + k)] = g;
        }
    }
    return neighbours;
}

PatchMerger::PatchMerger(const Mesh3D& mesh)
    : parent_(mesh.faces.size()), size_(mesh.faces.size()), label_(mesh.faces.size()),
      number_(mesh.faces.size()) {
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
        number_[f] = mesh.faces[f].patch;
}

void PatchMerger::writeNumbers(Mesh3D& mesh) const {
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
        mesh.faces[f].patch = number_[f];
}

int PatchMerger::pullIn(int root, int absorbed) {
    const int b = find(absorbed);
    if (root == b) return root; // same number already: the sweep changes nothing
    const std::int64_t keep = label_[static_cast<std::size_t>(root)];
    int big = root, small = b;
    if (size_[static_cast<std::size_t>(big)] < size_[static_cast<std::size_t>(small)])
        std::swap(big, small);
    parent_[static_cast<std::size_t>(small)] = big;
    size_[static_cast<std::size_t>(big)] += size_[static_cast<std::size_t>(small)];
    label_[static_cast<std::size_t>(big)] = keep;
    return big;
}

} // namespace hbx3
