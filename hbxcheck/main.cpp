// hbxcheck FILE...: checks Shape Files and says what is wrong with them.
//
// Prints one "file:line: message" per problem on standard output and exits
// with 0 when every file is good, 1 when some file is not (malformed, broken
// invariants, aborted, unreadable) and 2 on a usage error.
#include "hbxcheck/checks.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

const char kUsage[] =
    "usage: hbxcheck FILE...\n"
    "Checks Shape Files written by makeHBX3 and makeHBX2: framing, footer, record\n"
    "layout, order and counts, indices, unit vectors, face edges, letters, patches,\n"
    "2D outlines and safe points. Prints file:line: message for each problem and\n"
    "nothing for a good file. A template is good; an aborted file is not.\n"
    "Exit status: 0 every file good, 1 a problem found, 2 usage error.\n";

} // namespace

int main(int argc, char** argv) {
    try {
        int first = 1;
        if (first < argc && std::strcmp(argv[first], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (first < argc && std::strcmp(argv[first], "--") == 0)
            ++first;
        else if (first < argc && argv[first][0] == '-' && argv[first][1] != '\0')
            first = argc;
        if (first >= argc) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        bool allGood = true;
        for (int i = first; i < argc; ++i) {
            std::vector<std::string> messages;
            allGood = hbxcheck::checkFile(argv[i], messages) && allGood;
            for (const std::string& m : messages)
                std::printf("%s\n", m.c_str());
        }
        return allGood ? 0 : 1;
    } catch (const std::exception& e) {
        std::printf("hbxcheck: %s\n", e.what());
        return 1;
    }
}
