#include "proxy_create_obj.h"

#include "console.h"
#include "file_io.h"
#include "mesh2d.h"
#include "normals.h"
#include "obj_read2d.h"
#include "outline.h"
#include "outline_index.h"
#include "outline_types.h"
#include "patches.h"
#include "proxy_files.h"
#include "proxy_writer.h"
#include "safe_points.h"
#include "shape_file.h"

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
