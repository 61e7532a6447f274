// The viewer script of the 3D page (viewer.js, compiled in at build time).
#pragma once

namespace hbxview {
extern const char* const kViewerScript;
}
