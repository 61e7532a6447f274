#include "shapes/ball_writers.h"

#include "frontend/console.h"
#include "frontend/file_io.h"
#include "frontend/number_format.h"
#include "shapes/vertex_fit.h"

#include <string>

namespace hbx {
namespace {

void sayCreateFailed(bool endLine) {
    say("Error: Couldn't create outfile");
    if (endLine) say("\n");
}

// Closes the output and turns a failed write into the writer result 0.
int closeWritten(OutputFile& out) {
    if (out.close()) return 1;
    say(kWriteFailed);
    return 0;
}

void appendCentre(std::string& out, const float* centre, int axes) {
    out.append("centre");
    for (int a = 0; a < axes; ++a) {
        out.push_back(' ');
        appendFloat(out, centre[a]);
    }
    out.push_back('\n');
}

} // namespace

int ballShell(const BallShape& shape, const char* outputPath) {
    OutputFile out;
    if (!out.open(outputPath)) {
        sayCreateFailed(shape.shellOpenMessageEndsLine);
        return 0;
    }
    appendFraming(out.buffer(), shape.tool, kShellOrigin, shape.typeCode);
    out.write(shape.shellRecords);
    out.write(kRecordsEnd);
    return closeWritten(out);
}

int ballManual(const BallShape& shape, const char* outputPath) {
    OutputFile out;
    if (!out.open(outputPath)) {
        sayCreateFailed(true);
        return 0;
    }
    appendFraming(out.buffer(), shape.tool, kManualOrigin, shape.typeCode);
    float radius = 0.0f;
    say("Enter Radius: ");
    if (!readFloat(&radius)) {
        say("Error: Expected a number\n");
        out.close();
        return 0;
    }
    // The radius line goes out before the centre is asked for.
    out.write("radius ");
    appendFloat(out.buffer(), radius);
    out.write("\n");
    out.flush();
    static constexpr const char* kPrompts[3] = {
        "Enter X Centre: ", "Enter Y Centre: ", "Enter Z Centre: "};
    float centre[3] = {0.0f, 0.0f, 0.0f};
    for (int a = 0; a < shape.axes; ++a) {
        say(kPrompts[a]);
        if (!readFloat(&centre[a])) {
            say("Error: Expected a number\n");
            out.close();
            return 0;
        }
    }
    appendCentre(out.buffer(), centre, shape.axes);
    out.write(kRecordsEnd);
    return closeWritten(out);
}

int ballCreateOBJ(const BallShape& shape, const char* inputPath, const char* outputPath) {
    if (sameExistingFile(inputPath, outputPath)) {
        say(kSameFile);
        return 0;
    }
    std::string text;
    if (!readWholeFile(inputPath, text)) {
        say("Error: Couldn't stat \"");
        say(inputPath);
        say(shape.fitOpenMessagesEndLine ? "\"\n" : "\"");
        return 0;
    }
    const BallFit fit = fitBall(text, shape.axes);
    text = std::string(); // the input is no longer needed
    if (fit.badVertex >= 0) {
        sayNumbered("Error: Vertex ", fit.badVertex, " is out of range\n");
        return 0;
    }

    OutputFile out;
    if (!out.open(outputPath)) {
        sayCreateFailed(shape.fitOpenMessagesEndLine);
        return 0;
    }
    std::string& buf = out.buffer();
    appendFraming(buf, shape.tool, inputPath, shape.typeCode);
    buf.append("radius ");
    appendFloat(buf, fit.radius);
    buf.push_back('\n');
    appendCentre(buf, fit.centre, shape.axes);
    buf.append(kRecordsEnd);
    return closeWritten(out);
}

} // namespace hbx
