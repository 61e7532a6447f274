// Hostile paths for every "create from file" writer: inputs that cannot be
// read, outputs that cannot be written, a full disk, and one file named as
// both input and output. Each case checks the exact console, the exit status
// and what is left on disk.
#include "tests/badinput/catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace badinput;

const std::string kMesh =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvn 1 1 1\n"
    "f 1//1 3//1 2//1\nf 1//1 2//1 4//1\nf 1//1 4//1 3//1\nf 2//1 3//1 4//1\n";

// The open-failure messages: the sphere fit ends neither with a line feed,
// every other writer ends both with one.
std::string statMessage(const Writer& w, const std::string& input) {
    return "Error: Couldn't stat \"" + input + (w.code == std::string("SP") ? "\"" : "\"\n");
}
std::string createMessage(const Writer& w) {
    return std::string("Error: Couldn't create outfile") +
           (w.code == std::string("SP") ? "" : "\n");
}

// A scratch directory with the mesh in.obj, a folder sub/, a hard link and a
// symbolic link to in.obj, and a named pipe that no one writes to.
std::string prepare() {
    const std::string dir = hbxtest::makeScratchDir();
    hbxtest::writeFile(dir + "/in.obj", kMesh);
    mkdir((dir + "/sub").c_str(), 0755);
    EXPECT_EQ(link((dir + "/in.obj").c_str(), (dir + "/hard.obj").c_str()), 0);
    EXPECT_EQ(symlink("in.obj", (dir + "/soft.obj").c_str()), 0);
    EXPECT_EQ(mkfifo((dir + "/pipe").c_str(), 0644), 0);
    return dir;
}

TEST(BadPaths, InputsThatCannotBeRead) {
    for (const auto& w : kAllWriters) {
        for (const std::string input : {"missing.obj", "sub", ".", "", "pipe"}) {
            SCOPED_TRACE(std::string(w.label) + ", input \"" + input + "\"");
            const std::string dir = prepare();
            // A pipe without a writer must not block the tool: the run is
            // bounded so that a hang fails here instead of stalling the suite.
            Outcome o;
            o.run = hbxtest::runTool("/usr/bin/timeout", {"10", exe(w), w.code, input, "out"}, "",
                                     {}, dir);
            o.fileExists = hbxtest::fileExists(dir + "/out");
            if (o.fileExists) o.file = hbxtest::readFile(dir + "/out");
            EXPECT_EQ(o.run.out, header(w) + statMessage(w, input) + "Fail\n\n");
            EXPECT_EQ(o.run.exitCode, 1);
            EXPECT_EQ(o.run.err, "");
            // The proxy builders open the output first; the fits create nothing.
            if (w.proxy) {
                EXPECT_EQ(o.file, "WRITE ABORTED\n");
            } else {
                EXPECT_FALSE(o.fileExists);
            }
        }
    }
}

TEST(BadPaths, OutputsThatCannotBeCreated) {
    const bool root = geteuid() == 0; // root writes read-only files anyway
    for (const auto& w : kAllWriters) {
        for (const std::string output :
             {"no/such/folder/out", "sub", "in.obj/out", "", "readonly.hbx"}) {
            if (output == "readonly.hbx" && root) continue;
            SCOPED_TRACE(std::string(w.label) + ", output \"" + output + "\"");
            const std::string dir = prepare();
            hbxtest::writeFile(dir + "/readonly.hbx", "old\n");
            chmod((dir + "/readonly.hbx").c_str(), 0444);
            const auto r = hbxtest::runTool(exe(w), {w.code, "in.obj", output}, "", {}, dir);
            EXPECT_EQ(r.out, header(w) + createMessage(w) + "Fail\n\n");
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.err, "");
            EXPECT_FALSE(hbxtest::fileExists(dir + "/no"));
            EXPECT_EQ(hbxtest::readFile(dir + "/readonly.hbx"), "old\n");
            EXPECT_EQ(hbxtest::readFile(dir + "/in.obj"), kMesh);
        }
    }
}

// Which failure a writer meets first: the fits read before they create, the
// proxy builders create before they read.
TEST(BadPaths, MissingInputAndOutputFolderReportTheFirstOpenThatFails) {
    for (const auto& w : kAllWriters) {
        SCOPED_TRACE(w.label);
        const std::string dir = prepare();
        const auto r = hbxtest::runTool(exe(w), {w.code, "missing.obj", "no/out"}, "", {}, dir);
        EXPECT_EQ(r.out, header(w) + (w.proxy ? createMessage(w) : statMessage(w, "missing.obj")) +
                             "Fail\n\n");
        EXPECT_EQ(r.exitCode, 1);
    }
}

TEST(BadPaths, AFullDiskIsNeverReportedAsSuccess) {
    for (const auto& w : kAllWriters) {
        SCOPED_TRACE(w.label);
        const std::string dir = prepare();
        const auto r = hbxtest::runTool(exe(w), {w.code, "in.obj", "/dev/full"}, "", {}, dir);
        EXPECT_EQ(r.out, header(w) + "Error: Couldn't write outfile\nFail\n\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "");
    }
}

TEST(BadPaths, TheSameFileAsInputAndOutputIsRefusedAndSurvives) {
    for (const auto& w : kAllWriters) {
        for (const std::string output :
             {"in.obj", "./in.obj", "sub/../in.obj", "hard.obj", "soft.obj"}) {
            SCOPED_TRACE(std::string(w.label) + ", output " + output);
            const std::string dir = prepare();
            const auto r = hbxtest::runTool(exe(w), {w.code, "in.obj", output}, "", {}, dir);
            EXPECT_EQ(r.out, header(w) + "Error: Input and output are the same file\nFail\n\n");
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(hbxtest::readFile(dir + "/in.obj"), kMesh);
            // And the other way round: the link named as the input.
            const auto back = hbxtest::runTool(exe(w), {w.code, output, "in.obj"}, "", {}, dir);
            EXPECT_EQ(back.exitCode, 1);
            EXPECT_EQ(hbxtest::readFile(dir + "/in.obj"), kMesh);
        }
    }
}

// The input path is written into the origin line as given, so a line feed or
// a carriage return in it would break the header (a path "a\n*end\nb" would
// end the records before they start). Such a path is refused before any file
// is opened, even when a file of that name exists; the output is left as it
// was.
TEST(BadPaths, AnInputPathWithALineBreakIsRefusedBeforeAnyFileIsTouched) {
    const std::string refusal =
        "Error: Input path contains a line feed or carriage return\nFail\n\n";
    for (const auto& w : kAllWriters) {
        for (const std::string input : {"a\n*end\nb.obj", "in.obj\r", "\n", "x\ry.obj"}) {
            SCOPED_TRACE(std::string(w.label) + ", input \"" + input + "\"");
            const std::string dir = prepare();
            hbxtest::writeFile(dir + "/" + input, kMesh);
            hbxtest::writeFile(dir + "/out", "old\n");
            const auto r = hbxtest::runTool(exe(w), {w.code, input, "out"}, "", {}, dir);
            EXPECT_EQ(r.out, header(w) + refusal);
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(hbxtest::readFile(dir + "/out"), "old\n");
            // A new output is not created either.
            const auto fresh = hbxtest::runTool(exe(w), {w.code, input, "new"}, "", {}, dir);
            EXPECT_EQ(fresh.exitCode, 1);
            EXPECT_FALSE(hbxtest::fileExists(dir + "/new"));
        }
    }
}

// Interactive mode: a name line ending in CR LF keeps its carriage return
// (only the line feed is removed), and is refused the same way.
TEST(BadPaths, AnInteractiveInputNameWithACarriageReturnIsRefused) {
    const std::string prompts = "Specify generation method:\n [S : make empty shell]\n"
                                " [M : construct manually]\n [C : create from file]\t\t"
                                "Specify input filename:\t\tSpecify output filename:\t";
    for (const auto& w : kAllWriters) {
        SCOPED_TRACE(w.label);
        const std::string dir = prepare();
        hbxtest::writeFile(dir + "/in.obj\r", kMesh);
        const auto r =
            hbxtest::runTool(exe(w), {}, std::string(w.code) + "\nC\nin.obj\r\nout\n", {}, dir);
        EXPECT_EQ(r.out.substr(r.out.find("\t\t\t") + 3),
                  prompts + "Error: Input path contains a line feed or carriage return\nFail\n\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_FALSE(hbxtest::fileExists(dir + "/out"));
        // Without the carriage return the same dialogue builds the file.
        const auto ok =
            hbxtest::runTool(exe(w), {}, std::string(w.code) + "\nc\nin.obj\nout\n", {}, dir);
        EXPECT_EQ(ok.exitCode, 0) << ok.out;
        EXPECT_NE(hbxtest::readFile(dir + "/out").find("origin in.obj\n"), std::string::npos);
    }
}

} // namespace
