// hbxview: draws a Shape File. A 2D file becomes an SVG picture; a 3D file becomes a
// self-contained HTML page to orbit in a browser, or a static SVG from one direction.
//
//     hbxview IN -o OUT.svg|OUT.html [--view x|y|z|iso] [--colour patch|side]
//
// Exit status 0 when the picture was written, 1 otherwise. A file that cannot be drawn (malformed,
// aborted, a template) gives the reader's messages on standard error and leaves no output.
#include "hbxview/draw_file.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return hbxview::drawFile(args, stderr);
}
