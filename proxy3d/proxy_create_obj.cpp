#include "proxy3d/proxy_create_obj.h"

#include "frontend/console.h"
#include "frontend/file_io.h"
#include "frontend/shape_file.h"
#include "proxy3d/classify_mesh.h"
#include "proxy3d/edge_matching.h"
#include "proxy3d/face_normals.h"
#include "proxy3d/mesh3d.h"
#include "proxy3d/obj_read3d.h"
#include "proxy3d/patch_cycle.h"
#include "proxy3d/proxy_writer.h"
#include "proxyfiles/proxy_files.h"

#include <new>
#include <string>

namespace hbx3 {
namespace {

// Everything between reading and writing. Returns false after printing the
// message of a failed allocation.
bool deriveProxy(Mesh3D& mesh) {
    try {
        computeFaceNormals(mesh);
        // No use after the face normals.
        mesh.normals = std::vector<MeshNormal>();
        mesh.cornerNormals = std::vector<CornerNormals>();
        matchEdges(mesh);
        classifyMesh(mesh);
        mesh.nextSide = std::vector<int>(); // no use after the classification
    } catch (const std::bad_alloc&) {
        hbx::say("Error: Couldn't allocate edges\n");
        return false;
    }
    switch (buildPatches(mesh)) {
    case PatchResult::Done:
        return true;
    case PatchResult::SetArrayFailed:
        hbx::say("Error: Couldn't allocate patch allergy set array\n");
        return false;
    case PatchResult::SetFailed:
        hbx::say("Error: Couldn't allocate patch allergy array\n");
        return false;
    }
    return false;
}

} // namespace

int proxyCreateOBJ(const char* inputPath, const char* outputPath) {
    hbx::OutputFile out;
    Mesh3D mesh;
    {
        std::string text;
        if (!hbx::openProxyFiles(inputPath, outputPath, hbx::Tool::ThreeD, out, text)) return 0;
        if (!readObjMesh(text, mesh)) return hbx::abortProxyFile(out);
    } // the input text is released here
    if (!deriveProxy(mesh)) return hbx::abortProxyFile(out);
    try {
        writeProxyRecords(mesh, out);
    } catch (const std::bad_alloc&) {
        // No room for the records: nothing of them reaches the file.
        hbx::say(hbx::kWriteFailed);
        return hbx::abortProxyFile(out);
    }
    mesh = Mesh3D();
    if (!out.close()) {
        hbx::say(hbx::kWriteFailed);
        return 0;
    }
    return 1;
}

} // namespace hbx3
