// The whole run of hbxview: arguments, reading, drawing, writing.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace hbxview {

// Parses the arguments (IN -o OUT [--view x|y|z|iso] [--colour patch|side]), reads IN, draws it
// in the format OUT's extension names (.svg, or .html/.htm for 3D files) and writes OUT. Reports
// every failure on `messages` and returns 1; returns 0 after writing OUT completely. OUT is
// written only once the whole picture exists in memory, and removed again if writing it fails,
// so no half picture is ever left behind. Never throws.
int drawFile(const std::vector<std::string>& args, std::FILE* messages);

} // namespace hbxview
