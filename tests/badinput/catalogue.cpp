#include "tests/badinput/catalogue.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace badinput {

const Writer kSphere{"sphere fit", true, "SP", false};
const Writer kProxy3D{"3D proxy builder", true, "PX", true};
const Writer kCircle{"circle fit", false, "CR", false};
const Writer kProxy2D{"2D proxy builder", false, "PX", true};
const std::vector<Writer> kAllWriters{kSphere, kProxy3D, kCircle, kProxy2D};

namespace {
const std::string kRule = "#===========================================================#\n";
}

const char* exe(const Writer& w) {
    return w.threeD ? hbxtest::tool3d() : hbxtest::tool2d();
}

std::string header(const Writer& w) {
    return std::string("Making shape type: ") + w.code + "\n" + (w.threeD ? "Creating... \n" : "");
}

std::string framing(const Writer& w, const std::string& origin) {
    return kRule +
           (w.threeD ? "#========================Shape File 3D======================#\n"
                     : "#======================Shape File 2D========================#\n") +
           "#===========shapes define how objects collide===============#\n" + kRule + "\n" +
           "origin " + origin + "\ntype " + w.code + "\n\n*start\n";
}

std::string records(const std::string& file) {
    const auto a = file.find("*start\n");
    const auto b = file.find("*end\n", a == std::string::npos ? 0 : a);
    if (a == std::string::npos || b == std::string::npos) return "<no record section>";
    return file.substr(a + 7, b - a - 7);
}

Outcome runWriter(const Writer& w, const std::string& dir, const std::string& input,
                  const std::string& output, bool keepOutput) {
    const std::string outPath = output.empty() || output[0] == '/' ? output : dir + "/" + output;
    if (!keepOutput && !output.empty() && output[0] != '/') std::remove(outPath.c_str());
    Outcome o;
    o.run = hbxtest::runTool(exe(w), {w.code, input, output}, "", {}, dir);
    o.fileExists = hbxtest::fileExists(outPath);
    if (o.fileExists) o.file = hbxtest::readFile(outPath);
    return o;
}

namespace {
bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
// In argument mode the header comes first, so an error always starts a line
// after it.
bool hasErrorLine(const std::string& text) {
    return text.find("\nError: ") != std::string::npos;
}
} // namespace

void expectPromisesKept(const Writer& w, const Outcome& o, const std::string& context) {
    SCOPED_TRACE(std::string(w.label) + ": " + context);
    const auto& r = o.run;
    ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 1) << "exit " << r.exitCode << "\n" << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind(header(w), 0), 0u) << r.out;
    if (r.exitCode == 0) {
        EXPECT_TRUE(endsWith(r.out, "Complete\n\n")) << r.out;
        EXPECT_FALSE(hasErrorLine(r.out)) << r.out;
        ASSERT_TRUE(o.fileExists);
        const std::string masked = hbxtest::maskStamp(o.file);
        const std::string footer =
            "*end\n\n" + kRule + "#STAMP#\n" +
            (w.threeD
                 ? "#=================makeHBX3 Version 0.0.6.4.i================#\n" + kRule + kRule
                 : "#================makeHBX2 Version 0.0.6.4.i=================#\n" + kRule);
        EXPECT_TRUE(endsWith(masked, footer)) << masked;
        if (w.proxy) {
            const std::string rec = records(o.file);
            EXPECT_EQ(rec.find("nan"), std::string::npos) << rec.substr(0, 2000);
            EXPECT_EQ(rec.find("inf"), std::string::npos) << rec.substr(0, 2000);
        }
    } else {
        EXPECT_TRUE(endsWith(r.out, "Fail\n\n")) << r.out;
        EXPECT_TRUE(hasErrorLine(r.out)) << r.out;
        if (!w.proxy) {
            EXPECT_FALSE(o.fileExists) << o.file;
        } else if (o.fileExists) {
            EXPECT_TRUE(endsWith(o.file, "WRITE ABORTED\n")) << o.file;
        }
    }
}

std::string garbage(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    unsigned x = seed * 2654435761u + 1u;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
        if (c == 'v' || c == 'f') c = 'w';
    }
    return s;
}

} // namespace badinput
