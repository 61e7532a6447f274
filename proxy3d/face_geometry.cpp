#include "proxy3d/face_geometry.h"

namespace hbx3 {

FaceGeometry::FaceGeometry(const Mesh3D& mesh) : mesh(mesh) {
    world.resize(mesh.vertices.size());
    for (std::size_t v = 0; v < world.size(); ++v)
        world[v] = filePosition(mesh, static_cast<int>(v));

    // Faces around each vertex, in three passes: count, offsets, fill.
    vertexFacesStart.assign(mesh.vertices.size() + 1, 0);
    for (const MeshFace& face : mesh.faces) {
        for (int k = 0; k < 3; ++k)
            ++vertexFacesStart[static_cast<std::size_t>(face.vertex[k]) + 1];
    }
    for (std::size_t v = 0; v < mesh.vertices.size(); ++v)
        vertexFacesStart[v + 1] += vertexFacesStart[v];
    vertexFaces.resize(static_cast<std::size_t>(vertexFacesStart.back()));
    std::vector<int> fill(vertexFacesStart.begin(), vertexFacesStart.end() - 1);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        for (int k = 0; k < 3; ++k)
            vertexFaces[static_cast<std::size_t>(
                fill[static_cast<std::size_t>(mesh.faces[f].vertex[k])]++)] = static_cast<int>(f);
    }
}

} // namespace hbx3
