#include "fuzz/harness_support.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hbxfuzz {
namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    remove(path);
    return 0;
}

// The scratch directory goes when the process ends normally; after a
// finding it stays for a look.
void removeScratch() {
    nftw(scratchDir().c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string makeScratch() {
    struct stat st;
    std::string base = "/tmp";
    if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && access("/dev/shm", W_OK) == 0)
        base = "/dev/shm";
    else if (const char* t = std::getenv("TMPDIR"); t && *t)
        base = t;
    std::string tmpl = base + "/hbxfuzz.XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) fail("cannot create a scratch directory", tmpl);
    std::atexit(removeScratch);
    return buf.data();
}

std::string capturePath() {
    return scratchDir() + "/stdout";
}

} // namespace

const std::string& scratchDir() {
    // Never destroyed: the exit handler that removes the directory needs it.
    static const std::string& dir = *new std::string(makeScratch());
    return dir;
}

void captureStdout() {
    std::fflush(stdout);
    const int fd = open(capturePath().c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || dup2(fd, 1) < 0) fail("cannot capture standard output");
    close(fd);
}

void resetCapture() {
    std::fflush(stdout);
    if (ftruncate(1, 0) != 0 || lseek(1, 0, SEEK_SET) != 0) fail("cannot reset the capture file");
}

std::string capturedOutput() {
    std::fflush(stdout);
    std::string out;
    readFile(capturePath(), out);
    return out;
}

void writeFile(const std::string& path, const uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) fail("cannot write a scratch file", path);
    if (size > 0 && std::fwrite(data, 1, size, f) != size) fail("short write", path);
    std::fclose(f);
}

bool readFile(const std::string& path, std::string& out) {
    out.clear();
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char chunk[1 << 14];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.append(chunk, n);
    std::fclose(f);
    return true;
}

void removeFile(const std::string& path) {
    unlink(path.c_str());
}

void fail(std::string_view what, std::string_view detail) {
    std::fprintf(stderr, "\n*** broken promise: %.*s\n", static_cast<int>(what.size()),
                 what.data());
    if (!detail.empty())
        std::fprintf(stderr, "--- detail ---\n%.*s\n--------------\n",
                     static_cast<int>(detail.size() > 4000 ? 4000 : detail.size()), detail.data());
    std::abort();
}

bool hasLineStartingWith(std::string_view text, std::string_view prefix) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text.substr(pos, prefix.size()) == prefix) return true;
        const std::size_t lf = text.find('\n', pos);
        if (lf == std::string_view::npos) break;
        pos = lf + 1;
    }
    return false;
}

void checkWriterResult(int result, const std::string& console, const std::string& outputPath,
                       bool finiteRecords, FailedFile failedFile) {
    std::string file;
    const bool exists = readFile(outputPath, file);
    if (result != 0 && result != 1) fail("writer result is neither 0 nor 1", console);
    if (result == 1) {
        if (hasLineStartingWith(console, "Error: ")) fail("success with an error message", console);
        if (!exists) fail("success without an output file", console);
        if (!endsWith(file, "*end\n\n")) fail("success with an unfinished file", file);
        if (finiteRecords) {
            const std::size_t start = file.find("\n*start\n");
            if (start == std::string::npos) fail("no *start line", file);
            const std::string_view records = std::string_view(file).substr(start);
            if (records.find("nan") != std::string_view::npos ||
                records.find("inf") != std::string_view::npos)
                fail("a record holds nan or inf", file);
        }
        return;
    }
    if (!hasLineStartingWith(console, "Error: ")) fail("failure without an error message", console);
    if (!exists) return;
    switch (failedFile) {
    case FailedFile::None:
        fail("a failed fit left an output file", file);
    case FailedFile::Aborted:
        if (!endsWith(file, "WRITE ABORTED\n")) fail("a failure left a file not aborted", file);
        break;
    }
}

} // namespace hbxfuzz
