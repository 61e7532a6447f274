#include "shapes/proxy_template.h"

#include "frontend/console.h"
#include "frontend/file_io.h"
#include "shapes/ball_writers.h"

namespace hbx {

int proxyTemplateShell(const ProxyTemplate& proxy, const char* outputPath) {
    OutputFile out;
    if (!out.open(outputPath)) {
        say(proxy.shellOpenMessageEndsLine ? "Error: Couldn't create outfile\n"
                                           : "Error: Couldn't create outfile");
        return 0;
    }
    appendFraming(out.buffer(), proxy.tool, kShellOrigin, "PX");
    out.write(proxy.shellRecords);
    out.write(kRecordsEnd);
    if (out.close()) return 1;
    say(kWriteFailed);
    return 0;
}

int proxyTemplateManual(const ProxyTemplate& proxy, const char* outputPath) {
    OutputFile out;
    if (!out.open(outputPath)) {
        say("Error: Couldn't create outfile\n");
        return 0;
    }
    appendFraming(out.buffer(), proxy.tool, kManualOrigin, "PX");
    out.write(kRecordsEnd);
    say(proxy.refusal);
    if (out.close()) return 1;
    say(kWriteFailed);
    return 0;
}

} // namespace hbx
