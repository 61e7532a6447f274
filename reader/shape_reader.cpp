// readLines: one pass over the lines of a Shape File, through three phases (banner up to "*start",
// records up to "*end", footer), each line checked against what may stand there.
#include "hbx/shape_file.h"
#include "reader/framing.h"
#include "reader/line_scan.h"
#include "reader/line_source.h"
#include "reader/read_lines.h"
#include "reader/records.h"

#include <cstring>
#include <limits>
#include <new>

namespace hbx {

namespace {

using detail::LineScan;

struct Line {
    const char* begin = nullptr;
    const char* end = nullptr; // the '\n' or the end of the text
    std::uint64_t number = 0;

    std::string_view text() const { return {begin, static_cast<std::size_t>(end - begin)}; }
    bool is(std::string_view s) const { return text() == s; }
};

// The banner lines before "*start" and the footer lines after "*end", in
// order. A line that is not the expected one is reported; when it is the one
// after it, the expected line counts as missing and the line is taken as the
// next one, so that one missing line gives one message.
enum class Slot {
    Rule,
    Title,
    Tagline,
    RuleBlank, // the fourth banner line
    Empty,
    Origin,
    Type,
    TypeBlank,
    Start,
    Stamp,
    Version,
    Done
};

constexpr Slot kBanner[] = {Slot::Rule,      Slot::Title,     Slot::Tagline,
                            Slot::RuleBlank, Slot::Empty,     Slot::Origin,
                            Slot::Type,      Slot::TypeBlank, Slot::Start};
constexpr Slot kFooter3[] = {Slot::Empty,   Slot::Rule, Slot::Stamp,
                             Slot::Version, Slot::Rule, Slot::Rule};
constexpr Slot kFooter2[] = {Slot::Empty, Slot::Rule, Slot::Stamp, Slot::Version, Slot::Rule};

std::string slotName(Slot s) {
    switch (s) {
    case Slot::Rule:
    case Slot::RuleBlank:
        return "the rule line";
    case Slot::Title:
        return "the title line";
    case Slot::Tagline:
        return "the third banner line";
    case Slot::Empty:
    case Slot::TypeBlank:
        return "an empty line";
    case Slot::Origin:
        return "the origin line";
    case Slot::Type:
        return "the type line";
    case Slot::Start:
        return "\"*start\"";
    case Slot::Stamp:
        return "the generation stamp";
    case Slot::Version:
        return "the version line";
    case Slot::Done:
        break;
    }
    return "the end of the file";
}

class Reader {
  public:
    Reader(detail::LineSource& source, std::string_view name, ShapeFile& out, ReadResult& result,
           const ReadOptions& options)
        : source_(source), name_(name), out_(out), result_(result), options_(options) {}

    void run();

  private:
    bool next(Line& l);
    void report(std::uint64_t line, std::uint64_t column, std::string message);
    void report(const Line& l, const LineScan& s) { report(l.number, s.errorColumn(), s.error); }
    // Reports "expected X" at the first byte where l differs from text.
    void expectText(const Line& l, std::string_view text, std::string_view what);
    void reportEndOfFile(std::string_view what);

    bool banner();
    bool records();
    void footer();
    void rest(std::string_view after);

    bool slotMatches(Slot s, const Line& l) const;
    void takeSlot(Slot s, const Line& l);

    void reserveRecords();
    void record(const Line& l);
    void templateRecord(const Line& l);
    void proxyRecord(const Line& l);
    bool addRecord(int group, bool is3);
    void analyticRecord(const Line& l);
    void endOfRecords(const Line& l);

    detail::LineSource& source_;
    std::uint64_t lineNumber_ = 0;
    std::uint64_t lastLength_ = 0; // of the last line read, for messages at the end
    std::string_view name_;
    ShapeFile& out_;
    ReadResult& result_;
    const ReadOptions& options_;

    bool isTemplate_ = false;
    std::size_t templateIndex_ = 0;
    int group_ = 0; // proxy record groups: 0 vertices, 1 edges, 2 faces, 3 centre
    bool sawRadius_ = false;
    bool recordsFull_ = false;
};

bool Reader::next(Line& l) {
    bool newline = true;
    if (!source_.next(l.begin, l.end, newline)) return false;
    l.number = ++lineNumber_;
    lastLength_ = static_cast<std::uint64_t>(l.end - l.begin);
    if (!newline) report(l.number, lastLength_ + 1, "the last line has no line feed");
    return true;
}

void Reader::report(std::uint64_t line, std::uint64_t column, std::string message) {
    ++result_.errorCount;
    if (result_.errors.size() < options_.maxErrors) {
        result_.errors.push_back(Diagnostic{std::string(name_), line, column, std::move(message)});
    }
}

void Reader::expectText(const Line& l, std::string_view text, std::string_view what) {
    LineScan s(l.begin, l.end);
    if (!s.literal(text)) {
        s.error = "expected " + std::string(what) + ", found " + s.found();
    } else if (!s.lineEnd()) {
        s.error = "expected " + std::string(what) + ", found more text: " + s.found();
    } else {
        return;
    }
    report(l, s);
}

void Reader::reportEndOfFile(std::string_view what) {
    if (lineNumber_ == 0) {
        report(0, 0, "the file is empty");
    } else {
        report(lineNumber_, lastLength_ + 1, "the file ends before " + std::string(what));
    }
}

bool Reader::slotMatches(Slot s, const Line& l) const {
    const std::string_view t = l.text();
    switch (s) {
    case Slot::Rule:
    case Slot::RuleBlank:
        return t == detail::kRule;
    case Slot::Title:
        return t == detail::kTitle3 || t == detail::kTitle2;
    case Slot::Tagline:
        return t == detail::kTagline;
    case Slot::Empty:
    case Slot::TypeBlank:
        return t.empty();
    case Slot::Origin:
        return t.starts_with(detail::kOriginPrefix);
    case Slot::Type:
        return t.starts_with("type ");
    case Slot::Start:
        return t == detail::kStart;
    case Slot::Stamp:
        return t.starts_with("#============generated at ");
    case Slot::Version:
        return t.find(" Version ") != std::string_view::npos;
    case Slot::Done:
        break;
    }
    return false;
}

void Reader::takeSlot(Slot s, const Line& l) {
    const std::string_view t = l.text();
    switch (s) {
    case Slot::Rule:
    case Slot::RuleBlank:
        expectText(l, detail::kRule, "the rule line");
        return;
    case Slot::Title:
        if (t == detail::kTitle3 || t == detail::kTitle2) {
            out_.dimensions = t == detail::kTitle3 ? 3 : 2;
        } else {
            report(l.number, 1, "expected the title line of a 3D or 2D Shape File");
        }
        return;
    case Slot::Tagline:
        expectText(l, detail::kTagline, "the third banner line");
        return;
    case Slot::Empty:
    case Slot::TypeBlank:
        expectText(l, "", "an empty line");
        return;
    case Slot::Origin:
        if (!t.starts_with(detail::kOriginPrefix)) {
            expectText(l, detail::kOriginPrefix, "the origin line");
            return;
        }
        out_.lines.origin = l.number;
        out_.origin.assign(t.substr(detail::kOriginPrefix.size()));
        isTemplate_ = out_.origin == detail::kTemplateOrigin;
        return;
    case Slot::Type: {
        out_.lines.type = l.number;
        LineScan sc(l.begin, l.end);
        if (!sc.literal("type ")) return report(l, sc);
        const std::string_view code = t.substr(5);
        int dims = out_.dimensions;
        if (code == "SP" && dims != 2) {
            out_.type = ShapeType::Sphere, dims = 3;
        } else if (code == "CR" && dims != 3) {
            out_.type = ShapeType::Circle, dims = 2;
        } else if (code == "PX" && dims != 0) {
            out_.type = dims == 3 ? ShapeType::Proxy3D : ShapeType::Proxy2D;
        } else if (code == "PX") {
            return; // 3D or 2D: the title line that would say was reported already
        } else {
            report(l.number, 6,
                   dims == 3   ? "expected the type SP or PX of a 3D Shape File"
                   : dims == 2 ? "expected the type CR or PX of a 2D Shape File"
                               : "expected the type SP, CR or PX");
            return;
        }
        out_.dimensions = dims;
        return;
    }
    case Slot::Start:
        expectText(l, detail::kStart, "\"*start\"");
        return;
    case Slot::Stamp: {
        LineScan sc(l.begin, l.end);
        out_.lines.stamp = l.number;
        if (!detail::parseStamp(sc, out_.stamp)) report(l, sc);
        return;
    }
    case Slot::Version: {
        LineScan sc(l.begin, l.end);
        out_.lines.version = l.number;
        if (!detail::parseVersion(sc, out_.dimensions, out_.tool, out_.version)) report(l, sc);
        return;
    }
    case Slot::Done:
        return;
    }
}

// Banner up to and including "*start". Returns false when the file ended
// or was aborted before the records.
bool Reader::banner() {
    std::size_t slot = 0;
    const std::size_t count = std::size(kBanner);
    Line l;
    while (slot < count) {
        if (!next(l)) {
            reportEndOfFile("\"*start\"");
            return false;
        }
        if (l.is(detail::kAborted)) {
            out_.kind = FileKind::Aborted;
            if (slot != 0) {
                report(l.number, 1,
                       "\"WRITE ABORTED\" inside the banner: an aborted file holds it alone or "
                       "right after \"*start\"");
            }
            rest("\"WRITE ABORTED\"");
            return false;
        }
        if (kBanner[slot] != Slot::Start && l.is(detail::kStart)) {
            report(l.number, 1, "expected " + slotName(kBanner[slot]) + ", found \"*start\"");
            slot = count - 1;
        } else if (!slotMatches(kBanner[slot], l) && slot + 1 < count &&
                   slotMatches(kBanner[slot + 1], l)) {
            report(l.number, 1, "missing " + slotName(kBanner[slot]) + " before this line");
            ++slot;
        }
        takeSlot(kBanner[slot], l);
        ++slot;
    }
    out_.lines.start = l.number;
    out_.kind = isTemplate_ ? FileKind::Template : FileKind::Finished;
    return true;
}

// Room for the records of a proxy, estimated from the size of the file, so
// that the arrays of a large file are not copied as they grow. Tool-written
// 3D files take about 250 bytes per face, with 1.5 edges and 0.5 vertices
// per face; 2D files about 120 bytes per vertex and edge pair. Capacity that
// stays unused is never touched, so it costs address space only.
void Reader::reserveRecords() {
    const std::size_t size = source_.sizeHint();
    if (size < (std::size_t{1} << 20)) return;
    if (out_.type == ShapeType::Proxy3D) {
        const std::size_t faces = size / 240;
        out_.proxy3d.faces.reserve(faces);
        out_.proxy3d.edges.reserve(faces + faces / 2);
        out_.proxy3d.vertices.reserve(faces / 2 + 16);
    } else if (out_.type == ShapeType::Proxy2D) {
        const std::size_t edges = size / 110;
        out_.proxy2d.edges.reserve(edges);
        out_.proxy2d.vertices.reserve(edges);
    }
}

// Record section up to and including "*end". Returns false when the file
// ended or was aborted before "*end".
bool Reader::records() {
    if (!isTemplate_) reserveRecords();
    Line l;
    bool any = false;
    while (next(l)) {
        if (l.is(detail::kEnd)) {
            out_.lines.end = l.number;
            endOfRecords(l);
            return true;
        }
        if (l.is(detail::kAborted)) {
            out_.kind = FileKind::Aborted;
            if (any) {
                report(l.number, 1,
                       "\"WRITE ABORTED\" after records: an aborted file has no records");
            }
            rest("\"WRITE ABORTED\"");
            return false;
        }
        any = true;
        record(l);
    }
    reportEndOfFile("\"*end\"");
    return false;
}

void Reader::record(const Line& l) {
    if (out_.type == ShapeType::Unknown) return; // the type line was reported already
    if (isTemplate_) return templateRecord(l);
    if (out_.type == ShapeType::Sphere || out_.type == ShapeType::Circle) {
        if (l.begin == l.end) return report(l.number, 1, "empty line among the records");
        return analyticRecord(l);
    }
    proxyRecord(l);
}

void Reader::templateRecord(const Line& l) {
    const auto lines = detail::templateLines(out_.type);
    if (templateIndex_ >= lines.size()) {
        report(l.number, 1, "more record lines than the template has");
        return;
    }
    expectText(l, lines[templateIndex_],
               "the template line \"" + std::string(lines[templateIndex_]) + "\"");
    ++templateIndex_;
}

void Reader::analyticRecord(const Line& l) {
    LineScan s(l.begin, l.end);
    const std::string_view t = l.text();
    if (t.starts_with("radius")) {
        if (sawRadius_) return report(l.number, 1, "a second radius line");
        if (out_.hasCentre)
            return report(l.number, 1, "the radius line must come before the centre");
        sawRadius_ = true;
        out_.lines.radius = l.number;
        if (!detail::parseRadius(s, out_.radius)) report(l, s);
    } else if (t.starts_with("centre")) {
        if (out_.hasCentre) return report(l.number, 1, "a second centre line");
        if (!sawRadius_) report(l.number, 1, "the centre line comes before the radius line");
        out_.hasCentre = true;
        out_.lines.centre = l.number;
        if (!detail::parseCentre(s, out_.dimensions, out_.centre)) report(l, s);
    } else {
        report(l.number, 1, "expected the radius or the centre line");
    }
}

void Reader::proxyRecord(const Line& l) {
    const bool is3 = out_.type == ShapeType::Proxy3D;
    const char c = l.begin < l.end ? *l.begin : '\n';
    static const char* const kGroups[] = {"vertex", "edge", "face", "centre"};
    int group = -1;
    if (c == 'v') group = 0;
    if (c == 'e') group = 1;
    if (c == 'f' && is3) group = 2;
    if (l.text().starts_with("centre")) group = 3;
    if (group < 0) {
        report(l.number, 1,
               c == '\n' ? "empty line among the records"
               : is3     ? "expected a vertex (v), edge (e) or face (f) record or the centre line"
                         : "expected a vertex (v) or edge (e) record or the centre line");
        // Taken as a broken record of the group at hand, so that the records
        // after it keep their numbers and raise no errors of their own.
        if (group_ < 3) addRecord(group_, is3);
        return;
    }
    if (group < group_ || (group == 3 && group_ == 3)) {
        report(l.number, 1,
               group_ == 3 ? "record after the centre line"
                           : std::string(kGroups[group]) + " record after the " + kGroups[group_] +
                                 " records");
        return;
    }
    group_ = group;
    LineScan s(l.begin, l.end);
    bool ok = true;
    if (group == 3) {
        out_.hasCentre = true;
        out_.lines.centre = l.number;
        ok = detail::parseCentre(s, out_.dimensions, out_.centre);
    } else {
        if (!addRecord(group, is3)) return;
        if (is3) {
            auto& p = out_.proxy3d;
            if (group == 0) ok = detail::parseVertex3(s, p.vertices.back());
            if (group == 1) ok = detail::parseEdge3(s, p.vertices.size(), p.edges.back());
            if (group == 2) {
                ok = detail::parseFace3(s, p.vertices.size(), p.edges.size(), p.faces.back());
            }
        } else {
            auto& p = out_.proxy2d;
            if (group == 0) ok = detail::parseVertex2(s, p.vertices.back());
            if (group == 1) ok = detail::parseEdge2(s, p.vertices.size(), p.edges.back());
        }
    }
    if (!ok) report(l, s);
}

// Appends a zeroed record to group (0 vertices, 1 edges, 2 faces) of the
// proxy and notes its line when it is the group's first. Returns false (and
// reports once) when the group already holds as many records as int32
// indices can number.
bool Reader::addRecord(int group, bool is3) {
    const std::size_t size =
        is3 ? (group == 0   ? out_.proxy3d.vertices.size()
               : group == 1 ? out_.proxy3d.edges.size()
                            : out_.proxy3d.faces.size())
            : (group == 0 ? out_.proxy2d.vertices.size() : out_.proxy2d.edges.size());
    if (size >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        if (!recordsFull_) report(lineNumber_, 1, "too many records");
        recordsFull_ = true;
        return false;
    }
    std::uint64_t& first = group == 0   ? out_.lines.firstVertex
                           : group == 1 ? out_.lines.firstEdge
                                        : out_.lines.firstFace;
    if (first == 0) first = lineNumber_;
    if (is3) {
        if (group == 0) out_.proxy3d.vertices.emplace_back();
        if (group == 1) out_.proxy3d.edges.emplace_back();
        if (group == 2) out_.proxy3d.faces.emplace_back();
    } else {
        if (group == 0) out_.proxy2d.vertices.emplace_back();
        if (group == 1) out_.proxy2d.edges.emplace_back();
    }
    return true;
}

void Reader::endOfRecords(const Line& l) {
    if (out_.type == ShapeType::Unknown) return;
    if (isTemplate_) {
        const auto lines = detail::templateLines(out_.type);
        if (templateIndex_ < lines.size()) {
            report(l.number, 1,
                   "missing the template line \"" + std::string(lines[templateIndex_]) + "\"");
        }
        return;
    }
    if (out_.type == ShapeType::Sphere || out_.type == ShapeType::Circle) {
        if (!sawRadius_) report(l.number, 1, "missing the radius line before \"*end\"");
        if (!out_.hasCentre) report(l.number, 1, "missing the centre line before \"*end\"");
        return;
    }
    const bool any = !out_.proxy3d.vertices.empty() || !out_.proxy3d.edges.empty() ||
                     !out_.proxy3d.faces.empty() || !out_.proxy2d.vertices.empty() ||
                     !out_.proxy2d.edges.empty() || group_ > 0;
    // A manual proxy has no records at all; any other proxy ends with its centre.
    if (any && !out_.hasCentre) report(l.number, 1, "missing the centre line before \"*end\"");
}

void Reader::footer() {
    const Slot* slots = out_.dimensions == 2 ? kFooter2 : kFooter3;
    const std::size_t count = out_.dimensions == 2 ? std::size(kFooter2) : std::size(kFooter3);
    std::size_t slot = 0;
    Line l;
    while (slot < count) {
        if (!next(l)) {
            reportEndOfFile(slotName(slots[slot]) + " of the footer");
            return;
        }
        if (!slotMatches(slots[slot], l) && slot + 1 < count && slotMatches(slots[slot + 1], l)) {
            report(l.number, 1, "missing " + slotName(slots[slot]) + " before this line");
            ++slot;
        }
        takeSlot(slots[slot], l);
        ++slot;
    }
    out_.hasFooter = out_.lines.stamp != 0 && out_.lines.version != 0;
    rest("the footer");
}

// Nothing may follow the last line of a file.
void Reader::rest(std::string_view after) {
    Line l;
    bool reported = false;
    while (next(l)) {
        if (!reported) report(l.number, 1, "unexpected line after " + std::string(after));
        reported = true;
    }
}

void Reader::run() {
    out_.path.assign(name_);
    if (!banner()) return;
    if (!records()) return;
    footer();
}

} // namespace

ReadResult readLines(detail::LineSource& source, std::string_view name, ShapeFile& out,
                     const ReadOptions& options) noexcept {
    ReadResult result;
    try {
        out = ShapeFile{};
        Reader(source, name, out, result, options).run();
        if (source.failed()) {
            result.status = Status::CannotRead;
            ++result.errorCount;
            result.errors.push_back(Diagnostic{std::string(name), 0, 0, "reading the file failed"});
        } else if (result.errorCount > 0) {
            result.status = Status::Malformed;
        } else if (out.kind == FileKind::Template) {
            result.status = Status::Template;
        } else if (out.kind == FileKind::Aborted) {
            result.status = Status::Aborted;
        } else {
            result.status = Status::Ok;
        }
    } catch (...) {
        // Only allocations can throw here (std::bad_alloc, or length_error
        // for absurd sizes): give back the memory and say so.
        out = ShapeFile{};
        result.errors.clear();
        result.errors.shrink_to_fit();
        result.status = Status::OutOfMemory;
    }
    return result;
}

ReadResult readShapeText(std::string_view text, std::string_view name, ShapeFile& out,
                         const ReadOptions& options) noexcept {
    detail::LineSource source(text);
    return readLines(source, name, out, options);
}

} // namespace hbx
