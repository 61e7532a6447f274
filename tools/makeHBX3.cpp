// makeHBX3: spheres and 3D proxies.
#include "frontend/process_memory.h"
#include "tools/tool_definitions.h"

int main(int argc, char** argv) {
    hbx::keepFreedMemory();
    return hbx::runTool(hbx3::toolDefinition(), argc, argv);
}
