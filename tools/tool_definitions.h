// What each tool binds to the shared driver: its texts and its shape writers.
// The entry points and the dialogue fuzz harness use the same definitions.
#pragma once

#include "frontend/tool_driver.h"

namespace hbx3 {
const hbx::ToolDefinition& toolDefinition();
}

namespace hbx2 {
const hbx::ToolDefinition& toolDefinition();
}
