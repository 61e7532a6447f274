#include "proxyfiles/proxy_files.h"

#include "frontend/alloc_hook.h"
#include "frontend/console.h"
#include "frontend/process_memory.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace hbx {
namespace {

// The most record text held in memory before it is written out.
constexpr std::size_t kChunk = std::size_t(4) << 20;

// A run holds up to about five times its input text at its peak (fine 3D
// meshes of a million faces and more, with or without normals); the room
// asked to be backed by large pages covers that and a little more.
constexpr std::size_t kHeapPerInputByte = 6;

} // namespace

bool openProxyFiles(const char* inputPath, const char* outputPath, Tool tool, OutputFile& out,
                    std::string& text) {
    // Checked before anything is opened for writing: "w" would empty the input.
    if (sameExistingFile(inputPath, outputPath)) {
        say(kSameFile);
        return false;
    }
    if (!out.open(outputPath)) {
        say("Error: Couldn't create outfile\n");
        return false;
    }
    const std::size_t inputBytes = regularFileSize(inputPath);
    if (inputBytes <= SIZE_MAX / kHeapPerInputByte)
        preferLargePages(kHeapPerInputByte * inputBytes);
    if (!readWholeFile(inputPath, text)) {
        say(std::string("Error: Couldn't stat \"") + inputPath + "\"\n");
        abortProxyFile(out);
        return false;
    }
    appendFraming(out.buffer(), tool, inputPath, "PX");
    // In the file from here on, whatever happens later.
    out.flush();
    return true;
}

int abortProxyFile(OutputFile& out) {
    out.buffer().clear();
    out.write(kWriteAborted);
    out.close();
    return 0;
}

RecordStream::RecordStream(OutputFile& out, std::size_t estimate) : out_(out) {
    if (allocationFails("records")) throw std::bad_alloc();
    std::string& buffer = out.buffer();
    buffer.reserve(buffer.size() + std::min(estimate, kChunk) + kLineRoom);
    drainAt_ = buffer.capacity() - kLineRoom;
}

void RecordStream::endLine(char* line, char* end) {
    *end++ = '\n';
    std::string& buffer = out_.buffer();
    buffer.append(line, static_cast<std::size_t>(end - line));
    if (buffer.size() >= drainAt_) out_.flush();
}

void RecordStream::endRecords() {
    out_.write(kRecordsEnd);
}

} // namespace hbx
