#include "frontend/file_io.h"

#include <algorithm>

#include <sys/stat.h>

namespace hbx {

bool readWholeFile(const char* path, std::string& out) {
    out.clear();
    // Only regular files are read. Look before opening: opening a named pipe
    // that nobody writes to would block forever.
    struct stat before;
    if (stat(path, &before) == 0 && !S_ISREG(before.st_mode)) return false;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return false;
    }
    bool ok = true;
    try {
        if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
        char chunk[1 << 16];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            out.append(chunk, n);
        if (std::ferror(f)) ok = false;
    } catch (...) {
        ok = false;
    }
    std::fclose(f);
    if (!ok) out.clear();
    return ok;
}

std::size_t regularFileSize(const char* path) {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return 0;
    return static_cast<std::size_t>(st.st_size);
}

bool sameExistingFile(const char* a, const char* b) {
    struct stat sa, sb;
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

OutputFile::~OutputFile() {
    if (file_) close();
}

bool OutputFile::open(const char* path, const char* mode) {
    if (file_) close();
    failed_ = false;
    buffer_.clear();
    file_ = std::fopen(path, mode);
    return file_ != nullptr;
}

bool OutputFile::flush() {
    if (!file_) return false;
    // In pieces of 256 KB: for larger writes the kernel may back the file
    // with large page blocks, which on virtual machines that return free
    // memory to their host must first be fetched back, a cost that grows
    // with the piece and dominates the system time of a large file. (fwrite
    // hands a large block straight to the system in one write.)
    constexpr std::size_t kPiece = std::size_t(256) << 10;
    for (std::size_t at = 0; at < buffer_.size() && !failed_; at += kPiece) {
        const std::size_t n = std::min(kPiece, buffer_.size() - at);
        if (std::fwrite(buffer_.data() + at, 1, n, file_) != n) failed_ = true;
    }
    buffer_.clear();
    if (std::fflush(file_) != 0) failed_ = true;
    return !failed_;
}

bool OutputFile::close() {
    if (!file_) return false;
    flush();
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    buffer_.clear();
    buffer_.shrink_to_fit();
    return !failed_;
}

} // namespace hbx
