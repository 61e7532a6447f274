#include "proxy2d/proxy_create_obj.h"

#include "frontend/console.h"
#include "frontend/file_io.h"
#include "frontend/shape_file.h"
#include "proxy2d/mesh2d.h"
#include "proxy2d/normals.h"
#include "proxy2d/obj_read2d.h"
#include "proxy2d/outline.h"
#include "proxy2d/outline_index.h"
#include "proxy2d/outline_types.h"
#include "proxy2d/patches.h"
#include "proxy2d/proxy_writer.h"
#include "proxy2d/safe_points.h"
#include "proxyfiles/proxy_files.h"

#include <new>
#include <string>

namespace hbx2 {
namespace {

// Outline, normals, types and safe points. Their working memory counts as
// part of the edge records: failing to get it is reported as such.
bool deriveOutline(Mesh2D& mesh) {
    try {
        findOutline(mesh);
        const OutlineIndex index(mesh);
        orientNormals(mesh, index);
        classifyOutline(mesh);
        placeSafePoints(mesh, index);
    } catch (const std::bad_alloc&) {
        hbx::say("Error: Couldn't allocate edges\n");
        return false;
    }
    return true;
}

} // namespace

int proxyCreateOBJ(const char* inputPath, const char* outputPath) {
    hbx::OutputFile out;
    Mesh2D mesh;
    {
        std::string text;
        if (!hbx::openProxyFiles(inputPath, outputPath, hbx::Tool::TwoD, out, text)) return 0;
        if (!readObjMesh2D(text, mesh)) return hbx::abortProxyFile(out);
    } // the input text is released here
    if (!deriveOutline(mesh)) return hbx::abortProxyFile(out);
    switch (buildPatches(mesh)) {
    case PatchResult::Done:
        break;
    case PatchResult::SetArrayFailed:
        hbx::say("Error: Couldn't allocate patch allergy set array\n");
        return hbx::abortProxyFile(out);
    case PatchResult::SetFailed:
        // No message and nothing more in the file: it ends with "*start".
        out.close();
        return 0;
    }
    try {
        writeProxyRecords(mesh, out);
    } catch (const std::bad_alloc&) {
        // No room for the records: nothing of them reaches the file.
        hbx::say(hbx::kWriteFailed);
        return hbx::abortProxyFile(out);
    }
    mesh = Mesh2D();
    if (!out.close()) {
        hbx::say(hbx::kWriteFailed);
        return 0;
    }
    return 1;
}

} // namespace hbx2
