// Proxy shell and manual refusal of the 3D tool.
#pragma once

namespace hbx3 {
int proxyShell(const char* outputPath);
int proxyManual(const char* outputPath);
} // namespace hbx3
