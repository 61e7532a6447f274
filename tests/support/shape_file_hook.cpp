#include "tests/support/shape_file_hook.h"

#include "hbxcheck/checks.h"

#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace hbxtest {

namespace {

AllowedFindings* innermost = nullptr;

void stateOf(WatchedPath& w) {
    struct stat st {};
    w.existed = stat(w.path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (!w.existed) return;
    w.inode = st.st_ino;
    w.size = st.st_size;
    w.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

} // namespace

std::vector<WatchedPath> watchOutputs(const std::vector<std::string>& args,
                                      const std::string& stdinText, const std::string& cwd) {
    std::vector<std::string> names;
    if (args.size() == 3) names.push_back(args[2]);
    if (args.empty()) {
        std::istringstream in(stdinText);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty()) names.push_back(line);
        }
    }
    std::vector<WatchedPath> watched;
    for (const std::string& n : names) {
        WatchedPath w;
        w.path = (n[0] == '/' || cwd.empty()) ? n : cwd + "/" + n;
        stateOf(w);
        watched.push_back(w);
    }
    return watched;
}

void checkOutputs(const std::vector<WatchedPath>& watched, int exitCode) {
    for (const WatchedPath& before : watched) {
        WatchedPath after = before;
        stateOf(after);
        if (!after.existed) continue;
        if (before.existed && before.inode == after.inode && before.size == after.size &&
            before.mtimeNs == after.mtimeNs) {
            continue;
        }
        std::vector<std::string> messages;
        const bool good = hbxcheck::checkFile(after.path, messages);
        if (exitCode != 0) {
            if (good) {
                ADD_FAILURE() << "the run failed (exit " << exitCode << ") but left " << after.path
                              << ", which hbxcheck passes as a good Shape File";
            }
            continue;
        }
        std::string all;
        for (const std::string& m : messages) {
            if (!AllowedFindings::allows(m)) all += m + "\n";
        }
        if (!all.empty()) ADD_FAILURE() << "hbxcheck on a file the tool wrote:\n" << all;
    }
}

AllowedFindings::AllowedFindings(std::vector<std::string> texts)
    : texts_(std::move(texts)), outer_(innermost) {
    innermost = this;
}

AllowedFindings::~AllowedFindings() {
    innermost = outer_;
}

bool AllowedFindings::allows(const std::string& message) {
    for (const AllowedFindings* a = innermost; a; a = a->outer_) {
        for (const std::string& t : a->texts_) {
            if (message.find(t) != std::string::npos) return true;
        }
    }
    return false;
}

} // namespace hbxtest
