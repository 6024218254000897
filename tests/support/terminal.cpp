#include "support/terminal.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace testsupport {

TerminalProcess::TerminalProcess(const std::vector<std::string>& argv, const RunOptions& options, bool outputToFile)
{
    std::vector<std::string> args = argv, env = childEnvironment(options);
    env.push_back("TERM=xterm");
    std::vector<char*> argp = pointers(args), envp = pointers(env);
    if (outputToFile && (file_ = memfd_create("stdout", MFD_CLOEXEC)) < 0)
        throw std::runtime_error("memfd_create failed");
    // A wide terminal, so that no line is wrapped by the test's own choice.
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 200;
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ < 0)
        throw std::runtime_error("forkpty failed");
    if (pid_ == 0)
        execChild(options, -1, file_, -1, argp.data(), envp.data());
}

TerminalProcess::~TerminalProcess()
{
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        wait();
    }
    if (master_ >= 0)
        close(master_);
}

bool TerminalProcess::readSome(int milliseconds)
{
    pollfd ready{master_, POLLIN, 0};
    if (poll(&ready, 1, milliseconds) <= 0)
        return true;
    char buffer[4096];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    // The terminal reports EIO once the program and all it started are gone.
    if (n <= 0)
        return n < 0 && errno == EINTR;
    screen_.append(buffer, static_cast<size_t>(n));
    return true;
}

bool TerminalProcess::waitFor(const std::string& text)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (screen_.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > end || !readSome(100))
            return screen_.find(text) != std::string::npos;
    }
    return true;
}

void TerminalProcess::type(char c)
{
    if (write(master_, &c, 1) != 1)
        throw std::runtime_error("cannot type at the terminal");
}

TerminalRun TerminalProcess::wait()
{
    // Until the terminal reports the end, or a minute has passed.
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (readSome(100) && std::chrono::steady_clock::now() < end) {
    }
    int status = 0;
    kill(pid_, SIGKILL); // a program still running after a minute hangs
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    TerminalRun result{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), screen_, ""};
    if (file_ >= 0) {
        lseek(file_, 0, SEEK_SET);
        char buffer[4096];
        for (ssize_t n; (n = read(file_, buffer, sizeof buffer)) > 0;)
            result.file.append(buffer, static_cast<size_t>(n));
    }
    return result;
}

} // namespace testsupport
