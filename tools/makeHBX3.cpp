// makeHBX3: spheres and 3D proxies.
#include "tool_definitions.h"

int main(int argc, char** argv) { return hbx::runTool(hbx3::toolDefinition(), argc, argv); }
