// The sphere of the 3D tool: shell, terminal entry, and fit to an OBJ mesh.
// Each returns the writer result (1 written, 0 failed).
#pragma once

namespace hbx3 {
int sphereShell(const char* outputPath);
int sphereManual(const char* outputPath);
int sphereCreateOBJ(const char* inputPath, const char* outputPath);
} // namespace hbx3
