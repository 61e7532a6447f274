#include "frontend/shape_file.h"

#include "frontend/file_io.h"

#include <ctime>

namespace hbx {
namespace {

constexpr std::string_view kRule =
    "#===========================================================#\n";
constexpr std::string_view kTitle3D =
    "#========================Shape File 3D======================#\n";
constexpr std::string_view kTitle2D =
    "#======================Shape File 2D========================#\n";
constexpr std::string_view kMotto =
    "#===========shapes define how objects collide===============#\n";
constexpr std::string_view kVersion3D =
    "#=================makeHBX3 Version 0.0.6.4.i================#\n";
constexpr std::string_view kVersion2D =
    "#================makeHBX2 Version 0.0.6.4.i=================#\n";

void appendTwoDigits(std::string& out, int v) {
    // %02d of the broken-down time fields, which are never negative.
    if (v < 10) out.push_back('0');
    out.append(std::to_string(v));
}

} // namespace

void appendFraming(std::string& out, Tool tool, std::string_view origin,
                   std::string_view typeCode) {
    out.append(kRule);
    out.append(tool == Tool::ThreeD ? kTitle3D : kTitle2D);
    out.append(kMotto);
    out.append(kRule);
    out.push_back('\n');
    out.append("origin ");
    out.append(origin);
    out.push_back('\n');
    out.append("type ");
    out.append(typeCode);
    out.append("\n\n*start\n");
}

void appendFooter(std::string& out, Tool tool, int hour, int minute, int second, int day,
                  int month1, int year) {
    out.append(kRule);
    out.append("#============generated at ");
    appendTwoDigits(out, hour);
    out.push_back(':');
    appendTwoDigits(out, minute);
    out.push_back(':');
    appendTwoDigits(out, second);
    out.append(" on ");
    appendTwoDigits(out, day);
    out.push_back(':');
    appendTwoDigits(out, month1);
    out.push_back(':');
    out.append(std::to_string(year));
    out.append("============#\n");
    out.append(tool == Tool::ThreeD ? kVersion3D : kVersion2D);
    out.append(kRule);
    if (tool == Tool::ThreeD) out.append(kRule);
}

int addDetails(const char* path, Tool tool) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) return 1;
    OutputFile file;
    if (!file.open(path, "a")) return 1;
    appendFooter(file.buffer(), tool, local.tm_hour, local.tm_min, local.tm_sec, local.tm_mday,
                 local.tm_mon + 1, local.tm_year + 1900);
    return file.close() ? 0 : 1;
}

} // namespace hbx
