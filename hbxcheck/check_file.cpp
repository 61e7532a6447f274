// checkFile: read, then the checks of the file's shape type.
#include "hbxcheck/checks.h"

#include <cmath>

namespace hbxcheck {

bool isUnitOrZero(const hbx::Vec3& v) {
    if (v.x == 0.0f && v.y == 0.0f && v.z == 0.0f) return true;
    const double len = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    return std::fabs(len - 1.0) <= kUnitTolerance;
}

bool isUnitOrZero(const hbx::Vec2& v) {
    return isUnitOrZero(hbx::Vec3{v.x, v.y, 0.0f});
}

bool checkFile(const std::string& path, std::vector<std::string>& messages, std::size_t limit) {
    hbx::ShapeFile f;
    hbx::ReadOptions options;
    options.maxErrors = limit;
    const hbx::ReadResult r = hbx::readShapeFile(path, f, options);
    for (const hbx::Diagnostic& d : r.errors)
        messages.push_back(hbx::formatDiagnostic(d));
    if (r.errorCount > r.errors.size()) {
        messages.push_back(path + ": " + std::to_string(r.errorCount - r.errors.size()) +
                           " more problems not shown");
    }
    switch (r.status) {
    case hbx::Status::Ok:
        break;
    case hbx::Status::Template:
        return true;
    case hbx::Status::Aborted:
        messages.push_back(path + ":" + std::to_string(f.lines.start + 1) +
                           ": WRITE ABORTED: the tool failed and left no shape");
        return false;
    case hbx::Status::OutOfMemory:
        messages.push_back(path + ": out of memory while reading");
        return false;
    case hbx::Status::Malformed:
    case hbx::Status::CannotRead:
        return false;
    }

    Findings findings;
    findings.limit = limit;
    switch (f.type) {
    case hbx::ShapeType::Sphere:
    case hbx::ShapeType::Circle:
        checkAnalytic(f, findings);
        break;
    case hbx::ShapeType::Proxy3D:
        checkProxy3D(f, findings);
        break;
    case hbx::ShapeType::Proxy2D:
        checkProxy2D(f, findings);
        break;
    case hbx::ShapeType::Unknown:
        break;
    }
    for (const Finding& x : findings.list) {
        messages.push_back(path + ":" + std::to_string(x.line) + ": " + x.message);
    }
    if (findings.count > findings.list.size()) {
        messages.push_back(path + ": " + std::to_string(findings.count - findings.list.size()) +
                           " more problems not shown");
    }
    return findings.count == 0;
}

} // namespace hbxcheck
