// makeHBX2: circles and 2D proxies.
#include "circle.h"
#include "proxy_create_obj.h"
#include "proxy_template2d.h"
#include "tool_driver.h"

int main(int argc, char** argv) {
    static const hbx::ToolDefinition kTool{
        hbx::Tool::TwoD,
        "Specify 2D shape type to make:\n [CR : circle]\n [PX : proxy]\t\t\t",
        "CR",
        "cr",
        "Usage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>",
        "Usage: makeHBX2 <CR/PX> <fileIn.*> <fileOut.hbx2>",
        false,
        {hbx2::circleShell, hbx2::circleManual, hbx2::circleCreateOBJ},
        {hbx2::proxyShell, hbx2::proxyManual, hbx2::proxyCreateOBJ},
    };
    return hbx::runTool(kTool, argc, argv);
}
