#include "proxy_files.h"

#include "console.h"

namespace hbx {

bool openProxyFiles(const char* inputPath, const char* outputPath, Tool tool, OutputFile& out,
                    std::string& text) {
    // Checked before anything is opened for writing: "w" would empty the input.
    if (sameExistingFile(inputPath, outputPath)) {
        say(kSameFile);
        return false;
    }
    if (!out.open(outputPath)) {
        say("Error: Couldn't create outfile\n");
        return false;
    }
    if (!readWholeFile(inputPath, text)) {
        say(std::string("Error: Couldn't stat \"") + inputPath + "\"\n");
        abortProxyFile(out);
        return false;
    }
    appendFraming(out.buffer(), tool, inputPath, "PX");
    return true;
}

int abortProxyFile(OutputFile& out) {
    out.write(kWriteAborted);
    out.close();
    return 0;
}

} // namespace hbx
