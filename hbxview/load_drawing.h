// Reading a Shape File into a drawing, through the reader library only: a picture shows what the
// file says, never what a builder held in memory.
#pragma once

#include "hbxview/drawing.h"

#include <string>
#include <vector>

namespace hbxview {

// What a file turned into: a 2D drawing, a 3D drawing, or nothing with the reasons.
struct Loaded {
    int dimensions = 0; // 2 or 3 when a drawing was filled, 0 on failure
    Drawing2D drawing2D;
    Drawing3D drawing3D;
    std::vector<std::string> errors; // "file:line:column: message" lines, when dimensions is 0
};

// Reads the file at path. A finished shape fills the drawing of its tool; a malformed or
// unreadable file gives the reader's messages with their line numbers; a template or an aborted
// file gives one message saying so, since neither holds a shape. Never throws.
Loaded loadDrawing(const std::string& path);

} // namespace hbxview
