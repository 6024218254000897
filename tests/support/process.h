// Runs a program to completion and captures what it printed.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

struct RunOptions {
    std::string cwd = ".";
    std::string home = ".";       // HOME; TZ is always UTC and LC_ALL C
    std::vector<std::string> env; // extra "NAME=value" entries
    mode_t umask = 022;
    long fileSizeLimit = -1;   // RLIMIT_FSIZE in bytes when >= 0
    long memoryLimit = -1;     // RLIMIT_AS in bytes when >= 0
    bool unprivileged = false; // started as root: run as nobody (65534)
};

struct RunResult {
    int status = -1; // exit status, or 128 + signal number
    std::string out, err;
};

// Exit status of a child that could not give up root.
inline constexpr int kNoDropStatus = 125;

// The environment every child gets: HOME, TZ=UTC, LC_ALL=C and PATH, then options.env.
std::vector<std::string> childEnvironment(const RunOptions& options);
// Pointers to the strings, null-terminated, for execve.
std::vector<char*> pointers(std::vector<std::string>& strings);
// In a forked child: makes `in`, `out` and `err` the standard streams (a
// negative one keeps what the child has), applies the directory, umask, limits
// and user of `options`, and executes argv.
[[noreturn]] void execChild(const RunOptions& options, int in, int out, int err, char** argv, char** envp);

// argv[0] is both the file executed and the name the program sees. Standard
// input is /dev/null; a run longer than a minute is killed (status 142).
RunResult runProcess(const std::vector<std::string>& argv, const RunOptions& options);

// The same, running beside the test until wait() (or the destructor, which
// kills it first) collects it.
class BackgroundProcess {
public:
    BackgroundProcess(const std::vector<std::string>& argv, const RunOptions& options);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    pid_t pid() const { return pid_; }
    RunResult wait();

private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
};

} // namespace testsupport
