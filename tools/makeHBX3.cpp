// makeHBX3: spheres and 3D proxies.
#include "proxy_create_obj.h"
#include "proxy_template3d.h"
#include "sphere.h"
#include "tool_driver.h"

int main(int argc, char** argv) {
    static const hbx::ToolDefinition kTool{
        hbx::Tool::ThreeD,
        "Specify 3D shape type to make:\n [SP : sphere]\n [PX : proxy]\t\t\t",
        "SP",
        "sp",
        "Usage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx>",
        "Usage: makeHBX <SP/PX> <fileIn.*> <fileOut.hbx3>",
        true,
        {hbx3::sphereShell, hbx3::sphereManual, hbx3::sphereCreateOBJ},
        {hbx3::proxyShell, hbx3::proxyManual, hbx3::proxyCreateOBJ},
    };
    return hbx::runTool(kTool, argc, argv);
}
