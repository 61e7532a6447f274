// The 2D proxy builder: turns an OBJ mesh (seen along z) into a proxy Shape File.
#pragma once

namespace hbx2 {

// Reads the OBJ mesh at inputPath and writes the proxy Shape File to
// outputPath. Returns 1 when the file was written completely, 0 on every
// failure (after printing its message; the output is then an aborted file,
// or absent when it could not be created).
int proxyCreateOBJ(const char* inputPath, const char* outputPath);

} // namespace hbx2
