#include "hbxview/draw_file.h"

#include "hbxview/camera.h"
#include "hbxview/load_drawing.h"
#include "hbxview/page3d.h"
#include "hbxview/svg2d.h"
#include "hbxview/svg3d.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace hbxview {

namespace {

const char* const kUsage =
    "usage: hbxview IN -o OUT.svg|OUT.html [--view x|y|z|iso] [--colour patch|side]\n"
    "  2D files (.hbx2) draw to SVG; 3D files (.hbx3) to an HTML page or a static SVG.\n";

enum class Format { Svg, Html };

struct Options {
    std::string in, out, view = "iso", colour = "patch";
    Format format = Format::Svg;
};

bool endsWith(const std::string& s, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    if (s.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = s[s.size() - n + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != suffix[i]) return false;
    }
    return true;
}

// Fills options from the arguments; returns the problem, or an empty text when they are usable.
std::string parse(const std::vector<std::string>& args, Options& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-o" || a == "--view" || a == "--colour") {
            if (!hasValue) return a + " needs a value";
            std::string& target = a == "-o" ? o.out : a == "--view" ? o.view : o.colour;
            target = args[++i];
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return "unknown option " + a;
        } else if (o.in.empty()) {
            o.in = a;
        } else {
            return "more than one input file";
        }
    }
    if (o.in.empty()) return "no input file";
    if (o.out.empty()) return "no output file (-o OUT)";
    if (!cameraFor(o.view)) return "--view takes x, y, z or iso";
    if (o.colour != "patch" && o.colour != "side") return "--colour takes patch or side";
    if (endsWith(o.out, ".svg"))
        o.format = Format::Svg;
    else if (endsWith(o.out, ".html") || endsWith(o.out, ".htm"))
        o.format = Format::Html;
    else
        return "the output name must end in .svg, .html or .htm";
    return {};
}

// Writes text to path; on any failure removes what was written and reports it.
bool writeWhole(const std::string& path, const std::string& text, std::FILE* messages) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(messages, "hbxview: cannot create %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(f) == 0;
    if (written && closed) return true;
    std::remove(path.c_str());
    std::fprintf(messages, "hbxview: cannot write %s: %s\n", path.c_str(),
                 std::strerror(written ? errno : writeErrno));
    return false;
}

} // namespace

int drawFile(const std::vector<std::string>& args, std::FILE* messages) {
    Options o;
    if (const std::string problem = parse(args, o); !problem.empty()) {
        std::fprintf(messages, "hbxview: %s\n%s", problem.c_str(), kUsage);
        return 1;
    }
    try {
        const Loaded loaded = loadDrawing(o.in);
        if (loaded.dimensions == 0) {
            for (const std::string& line : loaded.errors)
                std::fprintf(messages, "%s\n", line.c_str());
            return 1;
        }
        std::string picture;
        if (loaded.dimensions == 2) {
            if (o.format != Format::Svg) {
                std::fprintf(messages, "hbxview: %s is a 2D file: draw it to an .svg\n",
                             o.in.c_str());
                return 1;
            }
            picture = svg2D(loaded.drawing2D);
        } else if (o.format == Format::Html) {
            picture = page3D(loaded.drawing3D, o.view);
        } else {
            picture = svg3D(loaded.drawing3D, o.view, o.colour == "side");
        }
        return writeWhole(o.out, picture, messages) ? 0 : 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(messages, "hbxview: out of memory drawing %s\n", o.in.c_str());
        return 1;
    }
}

} // namespace hbxview
