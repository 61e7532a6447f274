// makeHBX2: circles and 2D proxies.
#include "frontend/process_memory.h"
#include "tools/tool_definitions.h"

int main(int argc, char** argv) {
    hbx::keepFreedMemory();
    return hbx::runTool(hbx2::toolDefinition(), argc, argv);
}
