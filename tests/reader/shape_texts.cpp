#include "tests/reader/shape_texts.h"

#include "tests/support/run_tool.h"

#include <stdexcept>

namespace readertest {

std::string golden(const std::string& relative) {
    std::string text = hbxtest::readFile(std::string(HBX_TESTS_DIR) + "/" + relative);
    if (text.empty()) throw std::runtime_error("no golden file " + relative);
    const std::string mask = "#STAMP#";
    const auto at = text.find(mask);
    if (at != std::string::npos) text.replace(at, mask.size(), kStampLine);
    return text;
}

std::vector<std::string> allGoldens() {
    return {"e2e/golden/circle_shell.hbx2",  "e2e/golden/proxy_manual.hbx2",
            "e2e/golden/proxy_manual.hbx3",  "e2e/golden/proxy_shell.hbx2",
            "e2e/golden/proxy_shell.hbx3",   "e2e/golden/sphere_shell.hbx3",
            "proxy2d/golden/L.hbx2",         "proxy2d/golden/U.hbx2",
            "proxy2d/golden/fan.hbx2",       "proxy2d/golden/hook.hbx2",
            "proxy2d/golden/rectangle.hbx2", "proxy2d/golden/ring.hbx2",
            "proxy2d/golden/square.hbx2",    "proxy3d/golden/dented_box.hbx3",
            "proxy3d/golden/fin.hbx3",       "proxy3d/golden/mixed_tokens.hbx3",
            "proxy3d/golden/square.hbx3",    "proxy3d/golden/tetrahedron.hbx3",
            "proxy3d/golden/triangle.hbx3"};
}

namespace {
// Offset of the first byte of 1-based line `line` (text.size() past the end).
std::size_t lineStart(const std::string& text, int line) {
    std::size_t at = 0;
    for (int i = 1; i < line; ++i) {
        at = text.find('\n', at);
        if (at == std::string::npos) throw std::runtime_error("no such line");
        ++at;
    }
    return at;
}
} // namespace

std::string editLine(const std::string& text, int line, std::optional<std::string> replacement) {
    const std::size_t begin = lineStart(text, line);
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    if (replacement) return text.substr(0, begin) + *replacement + text.substr(end);
    return text.substr(0, begin) + text.substr(std::min(end + 1, text.size()));
}

std::string insertLine(const std::string& text, int line, const std::string& inserted) {
    const std::size_t at = lineStart(text, line);
    return text.substr(0, at) + inserted + "\n" + text.substr(at);
}

} // namespace readertest
