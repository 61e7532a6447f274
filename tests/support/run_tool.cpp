#include "tests/support/run_tool.h"
#include "tests/support/shape_file_hook.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace hbxtest {

const char* tool3d() {
    return HBX3_EXE;
}
const char* tool2d() {
    return HBX2_EXE;
}

std::string makeScratchDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/hbxtest.XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    return std::string(buf.data());
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

namespace {

// True when exe is one of the Shape File tools, whatever folder it is in.
bool writesShapeFiles(const std::string& exe) {
    const std::string name = exe.substr(exe.find_last_of('/') + 1);
    return name == "makeHBX3" || name == "makeHBX2";
}

} // namespace

RunResult runTool(const std::string& exe, const std::vector<std::string>& args,
                  const std::string& stdinText, const std::vector<std::string>& env,
                  const std::string& cwd) {
    const std::string dir = makeScratchDir();
    const std::string inPath = dir + "/stdin", outPath = dir + "/stdout", errPath = dir + "/stderr";
    writeFile(inPath, stdinText);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);

    std::vector<std::string> argStore;
    argStore.push_back(exe);
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e)
        envStore.emplace_back(*e);
    for (const auto& kv : env) {
        const std::string key = kv.substr(0, kv.find('=') + 1);
        for (auto it = envStore.begin(); it != envStore.end();)
            it = (it->rfind(key, 0) == 0) ? envStore.erase(it) : it + 1;
        envStore.push_back(kv);
    }
    std::vector<char*> envp;
    for (auto& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    // posix_spawn has no portable chdir action here; run through a tiny
    // fork instead when a working directory is asked for.
    RunResult result;
    // Only the two Shape File tools are watched: another program's output
    // (a picture, say) is no Shape File.
    const std::vector<WatchedPath> outputs =
        writesShapeFiles(exe) ? watchOutputs(args, stdinText, cwd) : std::vector<WatchedPath>();
    pid_t pid = -1;
    if (cwd.empty()) {
        if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            pid = -1;
    } else {
        pid = fork();
        if (pid == 0) {
            int fd0 = open(inPath.c_str(), O_RDONLY);
            int fd1 = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int fd2 = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd0, 0);
            dup2(fd1, 1);
            dup2(fd2, 2);
            if (chdir(cwd.c_str()) != 0) _exit(127);
            execve(exe.c_str(), argv.data(), envp.data());
            _exit(127);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    if (pid < 0) throw std::runtime_error("cannot start " + exe);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    checkOutputs(outputs, result.exitCode);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

std::string maskStamp(const std::string& shapeFile) {
    static const std::regex stamp("#============generated at [0-9]{2}:[0-9]{2}:[0-9]{2} on "
                                  "[0-9]{2}:[0-9]{2}:[0-9]{4}============#\n");
    return std::regex_replace(shapeFile, stamp, "#STAMP#\n");
}

} // namespace hbxtest
