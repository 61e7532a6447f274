// makeHBX2: circles and 2D proxies.
#include "process_memory.h"
#include "tool_definitions.h"

int main(int argc, char** argv) {
    hbx::keepFreedMemory();
    return hbx::runTool(hbx2::toolDefinition(), argc, argv);
}
