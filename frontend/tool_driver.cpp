#include "frontend/tool_driver.h"

#include "frontend/console.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace hbx {
namespace {

constexpr std::string_view kMethodPrompt = "Specify generation method:\n [S : make empty shell]\n"
                                           " [M : construct manually]\n [C : create from file]\t\t";

// A name answer loses its last character, normally the line feed.
std::string readName() {
    std::string name = readAnswer(254);
    if (!name.empty()) name.pop_back();
    return name;
}

// What printf("%s") would show of a buffer: the text up to its first NUL.
std::string_view asCString(const std::string& s) {
    return std::string_view(s.c_str(), std::strlen(s.c_str()));
}

// The input path becomes the origin line of the file as given, so a line feed
// or a carriage return in it would break the header. Returns true after
// printing the refusal; nothing has been opened then.
bool refuseLineBreakInPath(const char* inputPath) {
    if (std::strpbrk(inputPath, "\n\r") == nullptr) return false;
    say("Error: Input path contains a line feed or carriage return\n");
    return true;
}

// Calls the "create from file" writer of row, unless the input path is refused.
int createFromFile(const ShapeRow& row, const char* inputPath, const char* outputPath) {
    if (refuseLineBreakInPath(inputPath)) return 0;
    return row.createFromFile(inputPath, outputPath);
}

int finish(const ToolDefinition& tool, int result, const char* outputPath) {
    if (result != 0) {
        if (addDetails(outputPath, tool.tool) == 0) {
            say("Complete\n\n");
            return 0;
        }
        say("Error: Couldn't write outfile\n");
    }
    say("Fail\n\n");
    return 1;
}

int runArguments(const ToolDefinition& tool, char** argv) {
    say("Making shape type: ");
    say(argv[1]);
    say("\n");
    if (tool.printCreating) say("Creating... \n");
    const ShapeRow* row = nullptr;
    if (std::strcmp(argv[1], tool.analyticUpper) == 0)
        row = &tool.analytic;
    else if (std::strcmp(argv[1], "PX") == 0)
        row = &tool.proxy;
    if (!row) {
        say(tool.usageOnUnknownCode);
        say("\n");
        return 1;
    }
    return finish(tool, createFromFile(*row, argv[2], argv[3]), argv[3]);
}

int runInteractive(const ToolDefinition& tool) {
    say(tool.shapePrompt);
    const std::string code = readAnswer(2);
    discardChar();
    say(kMethodPrompt);
    const std::string method = readAnswer(1);
    discardChar();
    const char letter = method.empty() ? '\0' : method[0];
    std::string inputName;
    if (letter == 'C' || letter == 'c') {
        say("Specify input filename:\t\t");
        inputName = readName();
    }
    say("Specify output filename:\t");
    const std::string outputName = readName();

    const std::string_view shown = asCString(code);
    const ShapeRow* row = nullptr;
    if (shown == tool.analyticUpper || shown == tool.analyticLower)
        row = &tool.analytic;
    else if (shown == "PX" || shown == "px")
        row = &tool.proxy;
    if (!row) {
        say("Unrecognised option \"");
        say(shown);
        say("\"\n");
        return 1;
    }
    int result;
    if (letter == 'S' || letter == 's')
        result = row->shell(outputName.c_str());
    else if (letter == 'M' || letter == 'm')
        result = row->manual(outputName.c_str());
    else if (letter == 'C' || letter == 'c')
        result = createFromFile(*row, inputName.c_str(), outputName.c_str());
    else {
        // The letter is printed as the byte it is, a NUL byte too; only a
        // missing answer (input ended) shows nothing between the quotes.
        say("Unrecognised option \"");
        if (!method.empty()) say(std::string_view(&letter, 1));
        say("\"\n");
        return 1;
    }
    return finish(tool, result, outputName.c_str());
}

} // namespace

int runTool(const ToolDefinition& tool, int argc, char** argv) {
    int status = 1;
    try {
        if (argc == 1)
            status = runInteractive(tool);
        else if (argc == 4)
            status = runArguments(tool, argv);
        else {
            say(tool.usageOnWrongCount);
            say("\n");
            status = 1;
        }
    } catch (...) {
        // Every writer releases its buffers and files on the way out; all that
        // is left is to report the failure.
        say("Error: Out of memory\n");
        say("Fail\n\n");
        status = 1;
    }
    std::fflush(stdout);
    return status;
}

} // namespace hbx
