// measure: runs one command and reports its wall time and peak memory.
//
//   measure TIMEOUT_SECONDS LOG_FILE COMMAND [ARGS...]
//
// The command's standard output and error go to LOG_FILE, its standard input
// is /dev/null. Prints one line:
//   exit=0 seconds=0.412345 maxrss_kb=81234 timed_out=0 cpu_seconds=0.401234
// exit is the exit status, or 128 + the signal number when the command was
// killed; a command still running after TIMEOUT_SECONDS is killed and reported
// with timed_out=1. Wall time comes from the monotonic clock around fork and
// wait; CPU time (user + system) and peak memory (maximum resident set size)
// are the child's own, from wait4.
// Exits 0 when the command could be run and measured (whatever its status),
// 2 otherwise.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t alarmFired = 0;

void onAlarm(int) {
    alarmFired = 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: measure TIMEOUT_SECONDS LOG_FILE COMMAND [ARGS...]\n", stderr);
        return 2;
    }
    char* end = nullptr;
    const double timeout = std::strtod(argv[1], &end);
    if (end == argv[1] || *end != '\0' || !(timeout > 0.0)) {
        std::fprintf(stderr, "measure: bad timeout \"%s\"\n", argv[1]);
        return 2;
    }
    const int log = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log < 0) {
        std::fprintf(stderr, "measure: cannot create \"%s\"\n", argv[2]);
        return 2;
    }

    struct sigaction action = {};
    action.sa_handler = onAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: the alarm must interrupt wait4
    sigaction(SIGALRM, &action, nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("measure: fork");
        return 2;
    }
    if (child == 0) {
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0) dup2(null, 0);
        dup2(log, 1);
        dup2(log, 2);
        execv(argv[3], argv + 3);
        std::perror("measure: exec");
        _exit(127);
    }
    close(log);

    struct itimerval timer = {};
    timer.it_value.tv_sec = static_cast<time_t>(timeout);
    timer.it_value.tv_usec =
        static_cast<suseconds_t>((timeout - static_cast<double>(timer.it_value.tv_sec)) * 1e6);
    setitimer(ITIMER_REAL, &timer, nullptr);

    int status = 0;
    struct rusage usage = {};
    bool timedOut = false;
    for (;;) {
        const pid_t done = wait4(child, &status, 0, &usage);
        if (done == child) break;
        if (done < 0 && errno == EINTR) {
            if (alarmFired && !timedOut) {
                timedOut = true;
                kill(child, SIGKILL);
            }
            continue;
        }
        std::perror("measure: wait4");
        return 2;
    }
    const auto stop = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(stop - start).count();
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    std::printf("exit=%d seconds=%.6f maxrss_kb=%ld timed_out=%d cpu_seconds=%.6f\n", code, seconds,
                usage.ru_maxrss, timedOut ? 1 : 0, cpu);
    return 0;
}
