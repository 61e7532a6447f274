#include "circle.h"
#include "proxy_create_obj.h"
#include "proxy_template2d.h"
#include "tool_definitions.h"

namespace hbx2 {

const hbx::ToolDefinition& toolDefinition() {
    static const hbx::ToolDefinition kTool{
        hbx::Tool::TwoD,
        "Specify 2D shape type to make:\n [CR : circle]\n [PX : proxy]\t\t\t",
        "CR",
        "cr",
        "Usage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>",
        "Usage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>",
        false,
        {circleShell, circleManual, circleCreateOBJ},
        {proxyShell, proxyManual, proxyCreateOBJ},
    };
    return kTool;
}

} // namespace hbx2
