// makeHBX3: spheres and 3D proxies.
#include "process_memory.h"
#include "tool_definitions.h"

int main(int argc, char** argv) {
    hbx::keepFreedMemory();
    return hbx::runTool(hbx3::toolDefinition(), argc, argv);
}
