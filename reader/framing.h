// The fixed lines around the records of a Shape File: banner, markers,
// footer, and the placeholder lines of templates.
#pragma once

#include "hbx/shape_file.h"
#include "reader/line_scan.h"

#include <span>
#include <string_view>

namespace hbx::detail {

inline constexpr std::string_view kRule =
    "#===========================================================#";
inline constexpr std::string_view kTitle3 =
    "#========================Shape File 3D======================#";
inline constexpr std::string_view kTitle2 =
    "#======================Shape File 2D========================#";
inline constexpr std::string_view kTagline =
    "#===========shapes define how objects collide===============#";
inline constexpr std::string_view kStart = "*start";
inline constexpr std::string_view kEnd = "*end";
inline constexpr std::string_view kAborted = "WRITE ABORTED";
inline constexpr std::string_view kOriginPrefix = "origin ";
inline constexpr std::string_view kTemplateOrigin = "<STRING \"fileName\">";

// The record lines of the template of a shape type, in order; empty for
// ShapeType::Unknown.
std::span<const std::string_view> templateLines(ShapeType type);

// "#============generated at HH:MM:SS on DD:MM:YEAR============#", with
// hour 0-23, minute 0-59, second 0-60, day 1-31, month 1-12.
bool parseStamp(LineScan& scan, Stamp& stamp);

// "#", '='s, "makeHBX3 Version " (dimensions 3) or "makeHBX2 Version "
// (dimensions 2; either when 0), the version (no '=' or space), '='s, "#".
bool parseVersion(LineScan& scan, int dimensions, std::string& tool, std::string& version);

} // namespace hbx::detail
