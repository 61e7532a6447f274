// makeHBX2: circles and 2D proxies.
#include "tool_definitions.h"

int main(int argc, char** argv) { return hbx::runTool(hbx2::toolDefinition(), argc, argv); }
