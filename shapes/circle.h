// The circle of the 2D tool: shell, terminal entry, and fit to an OBJ mesh
// seen along its z axis. Each returns the writer result (1 written, 0 failed).
#pragma once

namespace hbx2 {
int circleShell(const char* outputPath);
int circleManual(const char* outputPath);
int circleCreateOBJ(const char* inputPath, const char* outputPath);
} // namespace hbx2
