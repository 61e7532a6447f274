#include "reader/framing.h"

#include <array>

namespace hbx::detail {

namespace {

constexpr std::string_view kRadius = "radius <FLOAT \"radius\">";
constexpr std::string_view kCentre3 =
    "centre <FLOAT \"x centre\"> <FLOAT \"y centre\"> <FLOAT \"z centre\">";
constexpr std::string_view kCentre2 = "centre <FLOAT \"x centre\"> <FLOAT \"y centre\">";
constexpr std::string_view kVertex3 =
    "v<CHAR \"type\"> <FLOAT \"x pos\"> <FLOAT \"y pos\"> <FLOAT \"z pos\">";
constexpr std::string_view kEdge3 =
    "e<CHAR \"type\"> <INT \"vtx 1\"> <INT \"vtx 2\"> <FLOAT \"x unit vect\"> "
    "<FLOAT \"y unit vect\"> <FLOAT \"z unit vect\">";
constexpr std::string_view kFace3 =
    "f<CHAR \"side\"> <INT \"vtx 1\"> <INT \"vtx 2\"> <INT \"vtx 3\"> "
    "<INT \"edg 1\"> <FLOAT \"edg1 efs norm x\"> <FLOAT \"edg1 efs norm y\"> "
    "<FLOAT \"edg1 efs norm z\"> "
    "<INT \"edg 2\"> <FLOAT \"edg2 efs norm x\"> <FLOAT \"edg2 efs norm y\"> "
    "<FLOAT \"edg2 efs norm z\"> "
    "<INT \"edg 3\"> <FLOAT \"edg3 efs norm x\"> <FLOAT \"edg3 efs norm y\"> "
    "<FLOAT \"edg3 efs norm z\"> "
    "<FLOAT \"x norm\"> <FLOAT \"y norm\"> <FLOAT \"z norm\"> <INT \"patch\">";
constexpr std::string_view kVertex2 = "v<CHAR \"type\"> <FLOAT \"x pos\"> <FLOAT \"y pos\"> "
                                      "<FLOAT \"x safe\"> <FLOAT \"y safe\">";
constexpr std::string_view kEdge2 = "e<CHAR \"type\"> <INT \"vtx 1\"> <INT \"vtx 2\"> "
                                    "<FLOAT \"x vect\"> <FLOAT \"y vect\"> "
                                    "<FLOAT \"x norm\"> <FLOAT \"y norm\"> <INT \"patch\">";

constexpr std::array<std::string_view, 2> kSphereLines{kRadius, kCentre3};
constexpr std::array<std::string_view, 2> kCircleLines{kRadius, kCentre2};
constexpr std::array<std::string_view, 4> kProxy3Lines{kVertex3, kEdge3, kFace3, kCentre3};
constexpr std::array<std::string_view, 3> kProxy2Lines{kVertex2, kEdge2, kCentre2};

// Two digits into out, at most max.
bool twoDigits(LineScan& s, int& out, int min, int max, std::string_view what) {
    const char* at = s.p;
    if (s.end - s.p < 2 || s.p[0] < '0' || s.p[0] > '9' || s.p[1] < '0' || s.p[1] > '9')
        return s.fail(at,
                      "expected two digits of the " + std::string(what) + ", found " + s.found());
    out = (s.p[0] - '0') * 10 + (s.p[1] - '0');
    if (out < min || out > max)
        return s.fail(at, std::string(what) + " " + std::to_string(out) + " out of range");
    s.p += 2;
    return true;
}

bool equalsRun(LineScan& s) {
    const char* at = s.p;
    while (s.p < s.end && *s.p == '=')
        ++s.p;
    if (s.p == at) return s.fail(at, "expected '=', found " + s.found());
    return true;
}

} // namespace

std::span<const std::string_view> templateLines(ShapeType type) {
    switch (type) {
    case ShapeType::Sphere:
        return kSphereLines;
    case ShapeType::Circle:
        return kCircleLines;
    case ShapeType::Proxy3D:
        return kProxy3Lines;
    case ShapeType::Proxy2D:
        return kProxy2Lines;
    case ShapeType::Unknown:
        break;
    }
    return {};
}

bool parseStamp(LineScan& s, Stamp& t) {
    std::int64_t year = 0;
    const char* yearAt = nullptr;
    const bool ok = s.literal("#============generated at ") &&
                    twoDigits(s, t.hour, 0, 23, "hour") && s.literal(":") &&
                    twoDigits(s, t.minute, 0, 59, "minute") && s.literal(":") &&
                    twoDigits(s, t.second, 0, 60, "second") && s.literal(" on ") &&
                    twoDigits(s, t.day, 1, 31, "day") && s.literal(":") &&
                    twoDigits(s, t.month, 1, 12, "month") && s.literal(":") &&
                    (yearAt = s.p, s.integer(year)) && s.literal("============#") && s.lineEnd();
    if (!ok) return false;
    if (year < 1900 || year > 999999) return s.fail(yearAt, "year out of range");
    t.year = static_cast<int>(year);
    return true;
}

bool parseVersion(LineScan& s, int dimensions, std::string& tool, std::string& version) {
    if (!s.literal("#") || !equalsRun(s)) return false;
    const char* at = s.p;
    const std::string_view rest(s.p, static_cast<std::size_t>(s.end - s.p));
    const bool is3 = rest.starts_with("makeHBX3 Version "),
               is2 = rest.starts_with("makeHBX2 Version ");
    if (!(is3 && dimensions != 2) && !(is2 && dimensions != 3)) {
        return s.fail(at, dimensions == 2   ? "expected \"makeHBX2 Version \""
                          : dimensions == 3 ? "expected \"makeHBX3 Version \""
                                            : "expected \"makeHBX3 Version \" or \"makeHBX2 "
                                              "Version \"");
    }
    tool.assign(s.p, 8);
    s.p += 17;
    const char* v = s.p;
    while (s.p < s.end && *s.p != '=' && *s.p != ' ')
        ++s.p;
    if (s.p == v) return s.fail(v, "expected the version, found " + s.found());
    version.assign(v, static_cast<std::size_t>(s.p - v));
    return equalsRun(s) && s.literal("#") && s.lineEnd();
}

} // namespace hbx::detail
