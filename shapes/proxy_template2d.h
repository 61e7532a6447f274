// Proxy shell and manual refusal of the 2D tool.
#pragma once

namespace hbx2 {
int proxyShell(const char* outputPath);
int proxyManual(const char* outputPath);
} // namespace hbx2
