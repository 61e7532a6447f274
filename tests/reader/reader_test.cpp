// The reader on the files the tools make (every field read back exactly),
// on files broken in one place (the right line and column), and on the
// special files: templates, aborted files, the empty manual proxy.
#include "hbx/shape_file.h"
#include "tests/reader/shape_texts.h"
#include "tests/support/run_tool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace {

using readertest::editLine;
using readertest::golden;
using readertest::insertLine;

std::string print(const char* format, auto... values) {
    char buf[256];
    std::snprintf(buf, sizeof buf, format, values...);
    return buf;
}

// The record section as the tools print it, from the records read.
std::string printRecords(const hbx::ShapeFile& f) {
    std::string s;
    for (const auto& v : f.proxy3d.vertices)
        s += print("v%c %f %f %f\n", v.type, v.pos.x, v.pos.y, v.pos.z);
    for (const auto& e : f.proxy3d.edges)
        s += print("e%c %d %d %f %f %f\n", e.type, e.vtx1 + 1, e.vtx2 + 1, e.unitVect.x,
                   e.unitVect.y, e.unitVect.z);
    for (const auto& x : f.proxy3d.faces) {
        s += print("f%c %d %d %d", x.side, x.vtx[0] + 1, x.vtx[1] + 1, x.vtx[2] + 1);
        for (int k = 0; k < 3; ++k)
            s += print(" %d %f %f %f", x.edge[k] + 1, x.efsNorm[k].x, x.efsNorm[k].y,
                       x.efsNorm[k].z);
        s += print(" %f %f %f %lld\n", x.norm.x, x.norm.y, x.norm.z, (long long)x.patch);
    }
    for (const auto& v : f.proxy2d.vertices)
        s += print("v%c %f %f %f %f\n", v.type, v.pos.x, v.pos.y, v.safe.x, v.safe.y);
    for (const auto& e : f.proxy2d.edges)
        s += print("e%c %d %d %f %f %f %f %lld\n", e.type, e.vtx1 + 1, e.vtx2 + 1, e.vect.x,
                   e.vect.y, e.norm.x, e.norm.y, (long long)e.patch);
    if (f.lines.radius) s += print("radius %f\n", f.radius);
    if (f.hasCentre && f.dimensions == 3)
        s += print("centre %f %f %f\n", f.centre.x, f.centre.y, f.centre.z);
    if (f.hasCentre && f.dimensions == 2) s += print("centre %f %f\n", f.centre.x, f.centre.y);
    return s;
}

std::string between(const std::string& text, const std::string& from, const std::string& to) {
    const auto a = text.find(from) + from.size();
    return text.substr(a, text.find(to, a) - a);
}

TEST(Reader, GoldenFilesReadBackToTheSameText) {
    for (const std::string& name : readertest::allGoldens()) {
        SCOPED_TRACE(name);
        const std::string text = golden(name);
        hbx::ShapeFile f;
        const hbx::ReadResult r = hbx::readShapeText(text, name, f);
        const bool shell = text.find("origin <STRING") != std::string::npos;
        ASSERT_EQ(r.status, shell ? hbx::Status::Template : hbx::Status::Ok)
            << (r.errors.empty() ? "" : hbx::formatDiagnostic(r.errors[0]));
        EXPECT_EQ(bool(r), !shell);
        EXPECT_EQ(f.kind, shell ? hbx::FileKind::Template : hbx::FileKind::Finished);
        EXPECT_EQ(f.dimensions, name.ends_with("hbx3") ? 3 : 2);
        EXPECT_EQ(f.tool, name.ends_with("hbx3") ? "makeHBX3" : "makeHBX2");
        EXPECT_EQ(f.version, "0.0.6.4.i");
        EXPECT_EQ(f.origin, between(text, "origin ", "\n"));
        EXPECT_NE(text.find(std::string("\ntype ") + hbx::typeCode(f.type) + "\n"),
                  std::string::npos);
        EXPECT_TRUE(f.stamp.hour == 9 && f.stamp.minute == 5 && f.stamp.second == 7 &&
                    f.stamp.day == 3 && f.stamp.month == 11 && f.stamp.year == 2026);
        if (!shell) {
            EXPECT_EQ(printRecords(f), between(text, "*start\n", "*end\n"));
        }
        if (f.type == hbx::ShapeType::Proxy3D && !f.proxy3d.faces.empty()) {
            // The line helpers point at the records' own lines.
            EXPECT_EQ(hbx::faceLine(f, 0), f.lines.firstEdge + f.proxy3d.edges.size());
            EXPECT_EQ(f.lines.centre, hbx::faceLine(f, f.proxy3d.faces.size()));
        }
    }
}

TEST(Reader, SpecialFilesAreReportedAsSuch) {
    hbx::ShapeFile f;
    auto r = hbx::readShapeText("WRITE ABORTED\n", "a", f);
    EXPECT_EQ(r.status, hbx::Status::Aborted);
    EXPECT_FALSE(r);
    EXPECT_EQ(f.kind, hbx::FileKind::Aborted);

    const std::string square = golden("proxy3d/golden/square.hbx3");
    const std::string framing = square.substr(0, square.find("*start\n") + 7);
    r = hbx::readShapeText(framing + "WRITE ABORTED\n", "b", f);
    EXPECT_EQ(r.status, hbx::Status::Aborted);
    EXPECT_EQ(f.type, hbx::ShapeType::Proxy3D);
    EXPECT_EQ(f.origin, "square.obj");

    // Anything after it, or records before it, make the file malformed.
    r = hbx::readShapeText(framing + "WRITE ABORTED\n*end\n", "c", f);
    ASSERT_EQ(r.status, hbx::Status::Malformed);
    EXPECT_EQ(r.errors[0].line, 11u);
    r = hbx::readShapeText(editLine(square, 11, "WRITE ABORTED"), "d", f);
    ASSERT_EQ(r.status, hbx::Status::Malformed);
    EXPECT_EQ(r.errors[0].line, 11u);

    // The manual proxy: a finished file without records or centre.
    r = hbx::readShapeText(golden("e2e/golden/proxy_manual.hbx2"), "e", f);
    EXPECT_EQ(r.status, hbx::Status::Ok);
    EXPECT_EQ(f.type, hbx::ShapeType::Proxy2D);
    EXPECT_EQ(f.origin, "Manual");
    EXPECT_FALSE(f.hasCentre);

    r = hbx::readShapeText("", "f", f);
    ASSERT_EQ(r.status, hbx::Status::Malformed);
    EXPECT_EQ(r.errors[0].message, "the file is empty");

    r = hbx::readShapeFile("/nonexistent/x.hbx3", f);
    EXPECT_EQ(r.status, hbx::Status::CannotRead);
    r = hbx::readShapeFile("/", f);
    EXPECT_EQ(r.status, hbx::Status::CannotRead);
}

struct Broken {
    const char* base;
    int line;                        // line edited
    std::optional<std::string> text; // its new text, or nullopt: the line removed
    std::uint64_t errorLine, column; // where the one diagnostic points
    const char* message;             // part of its message
};

TEST(Reader, EachBrokenLineIsReportedAtItsLineAndColumn) {
    const char* sq3 = "proxy3d/golden/square.hbx3";
    const char* rect = "proxy2d/golden/rectangle.hbx2";
    const char* shell3 = "e2e/golden/proxy_shell.hbx3";
    const char* sphere = "e2e/golden/sphere_shell.hbx3";
    const Broken cases[] = {
        {sq3, 10, "vh -0.5 -0.500000 0.000000", 10, 4, "six decimals, found '-'"},
        {sq3, 10, "vh 00.500000 -0.500000 0.000000", 10, 4, "six decimals"},
        {sq3, 10, "vh 0.5000000 -0.500000 0.000000", 10, 4, "six decimals"},
        {sq3, 10, "vh nan -0.500000 0.000000", 10, 4, "six decimals, found 'n'"},
        {sq3, 10, "vx -0.500000 -0.500000 0.000000", 10, 2, "vertex type ('o', 'i', 'h', 'n')"},
        {sq3, 10, "vh -0.500000 -0.500000", 10, 23, "expected a space, found the end"},
        {sq3, 10, "vh -0.500000 -0.500000 0.000000 ", 10, 32, "trailing space"},
        {sq3, 14, "eh 1 5 1.000000 0.000000 0.000000", 14, 6,
         "vertex number 5 out of range: 1 to 4"},
        {sq3, 14, "eh 1  2 1.000000 0.000000 0.000000", 14, 6, "a second space"},
        {sq3, 14, "eh 0 2 1.000000 0.000000 0.000000", 14, 4, "vertex number 0"},
        {sq3, 14, "eh -0 2 1.000000 0.000000 0.000000", 14, 4, "whole number"},
        {sq3, 16, "eh 3 1 0.000000 -1.000000 0.000000\r", 16, 35, "a carriage return"},
        {sq3, 19,
         "fm 1 2 3 6 -0.000000 -1.000000 -0.000000 2 0.707107 0.707107 -0.000000 3 -1.000000 "
         "-0.000000 0.000000 0.000000 0.000000 1.000000 0",
         19, 10, "edge number 6 out of range: 1 to 5"},
        {sq3, 19,
         "fm 1 2 3 1 -0.000000 -1.000000 -0.000000 2 0.707107 0.707107 -0.000000 3 -1.000000 "
         "-0.000000 0.000000 0.000000 0.000000 1.000000 9223372036854775808",
         19, 130, "whole number"},
        {sq3, 20, "eh 4 3 -1.000000 0.000000 0.000000", 20, 1,
         "edge record after the face records"},
        {sq3, 20, "vh 0.500000 0.500000 0.000000", 20, 1, "vertex record after the face records"},
        {sq3, 21, std::nullopt, 21, 1, "missing the centre line"},
        {sq3, 21, "centre 0.500000 0.500000", 21, 25, "expected a space"},
        {sq3, 12, "", 12, 1, "empty line among the records"},
        {sq3, 12, "x", 12, 1, "expected a vertex (v), edge (e) or face (f)"},
        {sq3, 3, std::nullopt, 3, 1, "missing the third banner line"},
        {sq3, 2, "#======================Shape File 4D========================#", 2, 1,
         "title line"},
        {sq3, 7, "type CR", 7, 6, "type SP or PX of a 3D Shape File"},
        {sq3, 6, "source square.obj", 6, 1, "origin"},
        {sq3, 25, "#============generated at 25:05:07 on 03:11:2026============#", 25, 27,
         "hour 25"},
        {sq3, 26, "#=================makeHBX2 Version 0.0.6.4.i================#", 26, 19,
         "makeHBX3 Version"},
        {sq3, 28, std::nullopt, 27, 62, "the file ends before the rule line of the footer"},
        {sq3, 29, "#", 29, 1, "unexpected line after the footer"},
        {rect, 10, "vo -1.000000 -0.500000 -0.250000", 10, 33, "expected a space"},
        {rect, 10, "vh -1.000000 -0.500000 -0.250000 0.250000", 10, 2,
         "vertex type ('o', 'i', 'n')"},
        {rect, 14, "ex 1 2 1.000000 0.000000 0.000000 -1.000000 0", 14, 2,
         "edge type ('c', 'v', 'm')"},
        {rect, 14, "ev 1 2 1.000000 0.000000 0.000000 -1.000000 0.5", 14, 46,
         "end of the line, found '.'"},
        {rect, 15, "fv 1 2 3", 15, 1, "expected a vertex (v) or edge (e) record"},
        {rect, 18, "centre 1.000000 0.500000 0.000000", 18, 25, "end of the line, found a space"},
        {rect, 23, "#=================makeHBX3 Version 0.0.6.4.i================#", 23, 19,
         "makeHBX2 Version"},
        {shell3, 10, "v<CHAR \"type\"> <FLOAT \"x position\"> <FLOAT \"y pos\"> <FLOAT \"z pos\">",
         10, 29, "the template line"},
        {shell3, 13, std::nullopt, 13, 1, "missing the template line \"centre"},
        {sphere, 11, std::nullopt, 11, 1, "missing the template line \"centre"},
    };
    for (const Broken& c : cases) {
        SCOPED_TRACE(std::string(c.base) + " line " + std::to_string(c.line) + ": " +
                     c.text.value_or("(removed)"));
        const std::string text =
            c.line == 29 ? golden(c.base) + "#\n" : editLine(golden(c.base), c.line, c.text);
        hbx::ShapeFile f;
        const hbx::ReadResult r = hbx::readShapeText(text, "x", f);
        ASSERT_EQ(r.status, hbx::Status::Malformed);
        ASSERT_EQ(r.errors.size(), 1u) << hbx::formatDiagnostic(r.errors[1]);
        EXPECT_EQ(r.errors[0].line, c.errorLine) << r.errors[0].message;
        EXPECT_EQ(r.errors[0].column, c.column) << r.errors[0].message;
        EXPECT_NE(r.errors[0].message.find(c.message), std::string::npos) << r.errors[0].message;
    }
}

TEST(Reader, EveryBrokenLineCountsAndTheKeptOnesAreCapped) {
    std::string text = golden("proxy3d/golden/tetrahedron.hbx3");
    for (int line : {10, 12, 15})
        text = editLine(text, line, "bad");
    hbx::ShapeFile f;
    hbx::ReadOptions options;
    options.maxErrors = 2;
    const hbx::ReadResult r = hbx::readShapeText(text, "t", f, options);
    EXPECT_EQ(r.errorCount, 3u);
    ASSERT_EQ(r.errors.size(), 2u);
    EXPECT_EQ(hbx::formatDiagnostic(r.errors[0]),
              "t:10:1: expected a vertex (v), edge (e) or face (f) record or the centre line");
    EXPECT_EQ(r.errors[1].line, 12u);
    // A missing line feed at the very end is one more finding.
    const std::string last = golden("proxy2d/golden/square.hbx2");
    const hbx::ReadResult r2 = hbx::readShapeText(last.substr(0, last.size() - 1), "s", f);
    ASSERT_EQ(r2.errors.size(), 1u);
    EXPECT_EQ(r2.errors[0].message, "the last line has no line feed");
}

// A file read from disk goes through a buffer of 1 MB: lines that straddle
// its refills, and a line longer than it, read as they do from memory.
TEST(Reader, FilesLargerThanTheBufferReadLikeTextInMemory) {
    const std::string square = golden("proxy3d/golden/square.hbx3");
    const std::size_t start = square.find("*start\n") + 7;
    std::string records;
    for (int i = 0; i < 40000; ++i)
        records += print("vo %d.%06d -0.500000 1.000000\n", i, i % 999999);
    records += "v" + std::string(3u << 20, 'o') + "\n"; // one malformed line of 3 MB
    records += "centre 0.500000 0.500000 0.000000\n";
    const std::string text =
        square.substr(0, start) + records + square.substr(square.find("*end\n"));
    const std::string dir = hbxtest::makeScratchDir();
    hbxtest::writeFile(dir + "/big.hbx3", text);

    hbx::ShapeFile fromText, fromFile;
    const hbx::ReadResult a = hbx::readShapeText(text, "big", fromText);
    const hbx::ReadResult b = hbx::readShapeFile(dir + "/big.hbx3", fromFile);
    ASSERT_EQ(a.errors.size(), 1u);
    ASSERT_EQ(b.errors.size(), 1u);
    EXPECT_EQ(b.errors[0].line, 40010u);
    EXPECT_EQ(b.errors[0].column, 3u);
    EXPECT_EQ(a.errors[0].message, b.errors[0].message);
    EXPECT_EQ(fromFile.proxy3d.vertices.size(), 40001u);
    // (Compared as a whole: a diff of 40000 lines would take gtest minutes.)
    EXPECT_TRUE(printRecords(fromFile) == printRecords(fromText));
    EXPECT_EQ(fromFile.lines.stamp, fromText.lines.stamp);
}

} // namespace
