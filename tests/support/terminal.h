// Runs a program on a pseudo-terminal, as from an interactive shell, and keeps
// everything the terminal was sent.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "support/process.h"

namespace testsupport {

struct TerminalRun {
    int status = -1;    // exit status, or 128 + signal number
    std::string screen; // every byte the terminal was sent
    std::string file;   // standard output, when it went to a file
};

class TerminalProcess {
public:
    // Standard input, error and (unless `outputToFile`) output are the
    // terminal; with `outputToFile` standard output goes to a file, as with
    // `> list.txt` typed at the terminal.
    TerminalProcess(const std::vector<std::string>& argv, const RunOptions& options, bool outputToFile = false);
    ~TerminalProcess();
    TerminalProcess(const TerminalProcess&) = delete;
    TerminalProcess& operator=(const TerminalProcess&) = delete;

    // Reads what the program sends until `text` has appeared; false after a minute.
    bool waitFor(const std::string& text);
    // Types a character at the terminal (Ctrl-C is "\x03").
    void type(char c);
    // Waits for the end; a program still running after a minute is killed.
    TerminalRun wait();

private:
    // Reads what is there within `milliseconds`; false at the end of the output.
    bool readSome(int milliseconds);

    pid_t pid_ = -1;
    int master_ = -1;
    int file_ = -1;
    std::string screen_;
};

} // namespace testsupport
