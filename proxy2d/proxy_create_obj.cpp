#include "proxy_create_obj.h"

#include "ball_writers.h"
#include "console.h"
#include "file_io.h"
#include "mesh2d.h"
#include "normals.h"
#include "number_format.h"
#include "obj_read2d.h"
#include "outline.h"
#include "outline_index.h"
#include "outline_types.h"
#include "patches.h"
#include "proxy_writer.h"
#include "safe_points.h"
#include "shape_file.h"

#include <new>
#include <string>

namespace hbx2 {
namespace {

// Ends the output as an aborted file after a failure whose message has been
// printed. The writer result is 0 whatever the close reports.
int abortFile(hbx::OutputFile& out) {
    out.write(hbx::kWriteAborted);
    out.close();
    return 0;
}

void sayReadFailure(const ReadResult& result) {
    const std::string_view text = readFailureText(result.status);
    const std::size_t slot = text.find("%d");
    if (slot == std::string_view::npos) {
        hbx::say(text);
        return;
    }
    std::string message(text.substr(0, slot));
    hbx::appendInt(message, result.index);
    message.append(text.substr(slot + 2));
    hbx::say(message);
}

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
    if (hbx::sameExistingFile(inputPath, outputPath)) {
        hbx::say(hbx::kSameFile);
        return 0;
    }
    hbx::OutputFile out;
    if (!out.open(outputPath)) {
        hbx::say("Error: Couldn't create outfile\n");
        return 0;
    }
    Mesh2D mesh;
    {
        std::string text;
        if (!hbx::readWholeFile(inputPath, text)) {
            hbx::say(std::string("Error: Couldn't stat \"") + inputPath + "\"\n");
            return abortFile(out);
        }
        hbx::appendFraming(out.buffer(), hbx::Tool::TwoD, inputPath, "PX");
        // The framing is in the file from here on, whatever happens later.
        out.flush();
        const ReadResult read = readObjMesh2D(text, mesh);
        if (read.status != ReadStatus::Ok) {
            sayReadFailure(read);
            return abortFile(out);
        }
    } // the input text is released here
    if (!deriveOutline(mesh)) return abortFile(out);
    switch (buildPatches(mesh)) {
    case PatchResult::Done: break;
    case PatchResult::NoSetArray:
        hbx::say("Error: Couldn't allocate patch allergy set array\n");
        return abortFile(out);
    case PatchResult::NoSet:
        // No message and nothing more in the file: it ends with "*start".
        out.close();
        return 0;
    }
    try {
        appendProxyRecords(mesh, out.buffer());
    } catch (const std::bad_alloc&) {
        out.buffer().clear();
        hbx::say(hbx::kWriteFailed);
        return abortFile(out);
    }
    mesh = Mesh2D();
    if (!out.close()) {
        hbx::say(hbx::kWriteFailed);
        return 0;
    }
    return 1;
}

} // namespace hbx2
