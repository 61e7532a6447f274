#include "proxy3d/proxy_create_obj.h"
#include "shapes/proxy_template3d.h"
#include "shapes/sphere.h"
#include "tools/tool_definitions.h"

namespace hbx3 {

const hbx::ToolDefinition& toolDefinition() {
    static const hbx::ToolDefinition kTool{
        .tool = hbx::Tool::ThreeD,
        .shapePrompt = "Specify 3D shape type to make:\n [SP : sphere]\n [PX : proxy]\t\t\t",
        .analyticUpper = "SP",
        .analyticLower = "sp",
        .usageOnWrongCount = "Usage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx>",
        .usageOnUnknownCode = "Usage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx3>",
        .printCreating = true,
        .analytic = {.shell = sphereShell,
                     .manual = sphereManual,
                     .createFromFile = sphereCreateOBJ},
        .proxy = {.shell = proxyShell, .manual = proxyManual, .createFromFile = proxyCreateOBJ},
    };
    return kTool;
}

} // namespace hbx3
