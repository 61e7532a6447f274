// baseline: the least any OBJ tool must do with a file. Reads it into memory
// the way the tools do, splits it into lines and prints the line count (so
// the work cannot be skipped). The benchmark divides every tool's time by
// this program's time on the same file.
//
//   baseline FILE
#include "frontend/file_io.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: baseline FILE\n", stderr);
        return 2;
    }
    std::string text;
    if (!hbx::readWholeFile(argv[1], text)) {
        std::fprintf(stderr, "baseline: cannot read \"%s\"\n", argv[1]);
        return 1;
    }
    std::size_t lines = 0, longest = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        const char* next = lf ? static_cast<const char*>(lf) + 1 : end;
        const std::size_t length = static_cast<std::size_t>(next - p);
        if (length > longest) longest = length;
        ++lines;
        p = next;
    }
    std::printf("lines=%zu longest=%zu bytes=%zu\n", lines, longest, text.size());
    return 0;
}
