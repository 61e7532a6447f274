// The record section of the 2D proxy.
#pragma once

#include "mesh2d.h"

#include <string>

namespace hbx2 {

// Appends one "v" line per outline vertex (ascending), one "e" line per
// outline edge (ascending, vertex numbers counted among the written vertex
// lines), the centre line and "*end\n\n". Throws std::bad_alloc.
void appendProxyRecords(const Mesh2D& mesh, std::string& out);

} // namespace hbx2
