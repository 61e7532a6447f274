// Shape File framing shared by every writer of both tools.
//
// A Shape File is: banner block, origin line, type line, "*start", the shape's
// records, "*end" and an empty line, then the footer that addDetails appends
// once the writer has succeeded. Only the title line, the version banner and
// the number of closing rule lines differ between the 3D and the 2D tool.
#pragma once

#include <string>
#include <string_view>

namespace hbx {

enum class Tool { ThreeD, TwoD };

// Placeholder origin of shell files.
inline constexpr std::string_view kShellOrigin = "<STRING \"fileName\">";
// Origin of files typed at the terminal.
inline constexpr std::string_view kManualOrigin = "Manual";
inline constexpr std::string_view kRecordsEnd = "*end\n\n";
inline constexpr std::string_view kWriteAborted = "WRITE ABORTED\n";

// Appends the banner block, "origin <origin>\n", "type <typeCode>\n\n" and
// "*start\n". origin is written byte for byte (an input path is not quoted).
void appendFraming(std::string& out, Tool tool, std::string_view origin, std::string_view typeCode);

// Appends the footer for the given local time: rule line, generation stamp,
// version banner, and the closing rule line(s). Split out of addDetails so the
// stamp can be tested for any date.
void appendFooter(std::string& out, Tool tool, int hour, int minute, int second, int day,
                  int month1, int year);

// Appends the footer, stamped with the current local time, to the finished
// Shape File at path. Returns 0 when the file was reopened, written and closed
// without error; non-zero otherwise.
int addDetails(const char* path, Tool tool);

} // namespace hbx
