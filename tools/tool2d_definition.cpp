#include "proxy2d/proxy_create_obj.h"
#include "shapes/circle.h"
#include "shapes/proxy_template2d.h"
#include "tools/tool_definitions.h"

namespace hbx2 {

const hbx::ToolDefinition& toolDefinition() {
    static const hbx::ToolDefinition kTool{
        .tool = hbx::Tool::TwoD,
        .shapePrompt = "Specify 2D shape type to make:\n [CR : circle]\n [PX : proxy]\t\t\t",
        .analyticUpper = "CR",
        .analyticLower = "cr",
        .usageOnWrongCount = "Usage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>",
        .usageOnUnknownCode = "Usage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>",
        .printCreating = false,
        .analytic = {.shell = circleShell,
                     .manual = circleManual,
                     .createFromFile = circleCreateOBJ},
        .proxy = {.shell = proxyShell, .manual = proxyManual, .createFromFile = proxyCreateOBJ},
    };
    return kTool;
}

} // namespace hbx2
