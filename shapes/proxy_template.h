// The proxy shell (a template showing the record layout with placeholders)
// and the manual proxy refusal (an empty proxy file), shared by both tools.
#pragma once

#include "frontend/shape_file.h"

#include <string_view>

namespace hbx {

struct ProxyTemplate {
    Tool tool;
    std::string_view shellRecords;
    bool shellOpenMessageEndsLine;
    std::string_view refusal; // printed after the empty proxy file is written
};

// Returns 1, or 0 when the output cannot be created or written.
int proxyTemplateShell(const ProxyTemplate& proxy, const char* outputPath);
int proxyTemplateManual(const ProxyTemplate& proxy, const char* outputPath);

} // namespace hbx
