#include "proxy_create_obj.h"
#include "proxy_template3d.h"
#include "sphere.h"
#include "tool_definitions.h"

namespace hbx3 {

const hbx::ToolDefinition& toolDefinition() {
    static const hbx::ToolDefinition kTool{
        hbx::Tool::ThreeD,
        "Specify 3D shape type to make:\n [SP : sphere]\n [PX : proxy]\t\t\t",
        "SP",
        "sp",
        "Usage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx>",
        "Usage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx3>",
        true,
        {sphereShell, sphereManual, sphereCreateOBJ},
        {proxyShell, proxyManual, proxyCreateOBJ},
    };
    return kTool;
}

} // namespace hbx3
