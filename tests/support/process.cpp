#include "support/process.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

// Output goes to anonymous files rather than pipes: nothing to drain while
// the child runs, so nothing can block.
std::string drain(int fd)
{
    std::string text;
    char buffer[4096];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    close(fd);
    return text;
}

} // namespace

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

std::vector<std::string> childEnvironment(const RunOptions& options)
{
    std::vector<std::string> env{"HOME=" + options.home, "TZ=UTC", "LC_ALL=C", "PATH=/usr/bin:/bin"};
    env.insert(env.end(), options.env.begin(), options.env.end());
    return env;
}

[[noreturn]] void execChild(const RunOptions& o, int in, int out, int err, char** argv, char** envp)
{
    if ((in >= 0 && dup2(in, 0) < 0) || (out >= 0 && dup2(out, 1) < 0) || (err >= 0 && dup2(err, 2) < 0) ||
        chdir(o.cwd.c_str()) != 0)
        _exit(126);
    umask(o.umask);
    const rlimit limit{static_cast<rlim_t>(o.fileSizeLimit), static_cast<rlim_t>(o.fileSizeLimit)};
    if (o.fileSizeLimit >= 0 && setrlimit(RLIMIT_FSIZE, &limit) != 0)
        _exit(126);
    const rlimit memory{static_cast<rlim_t>(o.memoryLimit), static_cast<rlim_t>(o.memoryLimit)};
    if (o.memoryLimit >= 0 && setrlimit(RLIMIT_AS, &memory) != 0)
        _exit(126);
    if (o.unprivileged && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
        _exit(kNoDropStatus);
    alarm(60); // survives exec: a hanging program dies of SIGALRM
    execve(argv[0], argv, envp);
    _exit(127);
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv, const RunOptions& options)
{
    std::vector<std::string> args = argv, env = childEnvironment(options);
    std::vector<char*> argp = pointers(args), envp = pointers(env);

    out_ = memfd_create("stdout", MFD_CLOEXEC);
    err_ = memfd_create("stderr", MFD_CLOEXEC);
    if (out_ < 0 || err_ < 0)
        throw std::runtime_error("memfd_create failed");
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0)
        execChild(options, open("/dev/null", O_RDONLY), out_, err_, argp.data(), envp.data());
}

BackgroundProcess::~BackgroundProcess()
{
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        wait();
    }
}

RunResult BackgroundProcess::wait()
{
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), drain(out_), drain(err_)};
}

RunResult runProcess(const std::vector<std::string>& argv, const RunOptions& options)
{
    return BackgroundProcess(argv, options).wait();
}

} // namespace testsupport
