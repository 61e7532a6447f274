// readShapeFile and the small helpers of the public header.
#include "hbx/shape_file.h"
#include "reader/read_lines.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace hbx {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

ReadResult cannotRead(const std::string& path, const char* what, int err) {
    ReadResult r;
    r.status = Status::CannotRead;
    r.errorCount = 1;
    r.errors.push_back(Diagnostic{path, 0, 0, std::string(what) + ": " + std::strerror(err)});
    return r;
}

} // namespace

ReadResult readShapeFile(const std::string& path, ShapeFile& out,
                         const ReadOptions& options) noexcept {
    try {
        out = ShapeFile{};
        out.path = path;
        File f(std::fopen(path.c_str(), "rb"));
        if (!f) return cannotRead(path, "cannot open the file", errno);
        // The size, when the path names a regular file, sizes the arrays.
        std::error_code ec;
        const auto st = std::filesystem::status(path, ec);
        if (!ec && std::filesystem::is_directory(st)) {
            return cannotRead(path, "cannot read the file", EISDIR);
        }
        std::size_t size = 0;
        if (!ec && std::filesystem::is_regular_file(st)) {
            const auto n = std::filesystem::file_size(path, ec);
            if (!ec) size = static_cast<std::size_t>(n);
        }
        detail::LineSource source(f.get(), size);
        return readLines(source, path, out, options);
    } catch (...) {
        out = ShapeFile{};
        ReadResult r;
        r.status = Status::OutOfMemory;
        return r;
    }
}

std::string formatDiagnostic(const Diagnostic& d) {
    std::string s = d.file;
    if (d.line > 0) {
        s += ':' + std::to_string(d.line);
        if (d.column > 0) s += ':' + std::to_string(d.column);
    }
    return s + ": " + d.message;
}

const char* statusName(Status s) noexcept {
    switch (s) {
    case Status::Ok:
        return "Ok";
    case Status::Template:
        return "Template";
    case Status::Aborted:
        return "Aborted";
    case Status::Malformed:
        return "Malformed";
    case Status::CannotRead:
        return "CannotRead";
    case Status::OutOfMemory:
        return "OutOfMemory";
    }
    return "?";
}

const char* typeCode(ShapeType t) noexcept {
    switch (t) {
    case ShapeType::Sphere:
        return "SP";
    case ShapeType::Circle:
        return "CR";
    case ShapeType::Proxy3D:
    case ShapeType::Proxy2D:
        return "PX";
    case ShapeType::Unknown:
        break;
    }
    return "??";
}

} // namespace hbx
