// Every Shape File a tool writes during the tests goes through hbxcheck's
// checks. runTool notes, before the run, the paths the run may write (the
// output argument of argument mode, every answer of interactive mode), and
// afterwards checks each of them that the run created or changed.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace hbxtest {

struct WatchedPath {
    std::string path;
    bool existed = false;
    ino_t inode = 0;
    off_t size = 0;
    long long mtimeNs = 0;
};

// The paths a run with these arguments and answers may write, resolved
// against cwd (empty: the current directory), with their state now.
std::vector<WatchedPath> watchOutputs(const std::vector<std::string>& args,
                                      const std::string& stdinText, const std::string& cwd);

// Checks the watched paths that the run created or changed. A run that
// exited with 0 must leave a good file (hbxcheck passes it: a finished shape
// or a template); a run that failed must not leave a file that hbxcheck
// passes. Each problem is a test failure (ADD_FAILURE) naming file and line.
void checkOutputs(const std::vector<WatchedPath>& watched, int exitCode);

// While one lives, hbxcheck findings that contain one of these texts do not
// fail the test (others still do). For runs on broken input whose shape the
// tool writes anyway and hbxcheck rightly rejects; say why where it is used.
class AllowedFindings {
  public:
    explicit AllowedFindings(std::vector<std::string> texts);
    ~AllowedFindings();
    AllowedFindings(const AllowedFindings&) = delete;
    AllowedFindings& operator=(const AllowedFindings&) = delete;

    // True when an allowed text occurs in message.
    static bool allows(const std::string& message);

  private:
    std::vector<std::string> texts_;
    AllowedFindings* outer_;
};

} // namespace hbxtest
