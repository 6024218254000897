#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "tool/Progress.h"

// Writes the tool's message lines, "<program>: error: <text>" and its warning and
// fatal forms, to one stream (the standard error stream), counting errors and warnings.
// On a terminal it also keeps the progress line of long copies, which it erases
// before each message, and shows control bytes in the message texts escaped.
class HReporter {
public:
    HReporter(std::string programName, FILE* stream);

    void error(const std::string& text);
    void warning(const std::string& text);
    void fatal(const std::string& text);
    // A warning line the project files gave rise to, written as it comes (no
    // program name) and counted as a warning.
    void plainWarning(const std::string& text);

    // With MKPKG_STRICT=1, every error and warning makes the run fail.
    void setStrict(bool strict) { strict_ = strict; }
    bool strict() const { return strict_; }
    // The exit status of a run that would end with `status`: 1 when strict and
    // anything was reported, else `status`.
    int exitStatus(int status) const;

    // On a terminal, shows `text` in the progress line until the next message or
    // clearStatus(); elsewhere nothing.
    void status(const std::string& text);
    void clearStatus();

    // The progress line to hand to a long copy, or null when the stream is no terminal.
    ProgressObserver* progress() { return progress_.get(); }

    const std::string& programName() const { return programName_; }
    // True when the stream is a terminal, which may be told more than the bytes a pipe gets.
    bool toTerminal() const { return progress_ != nullptr; }
    int errorCount() const { return errorCount_; }
    int warningCount() const { return warningCount_; }

private:
    void line(const char* kind, const std::string& text);
    void write(std::string message);

    std::string programName_;
    FILE* stream_;
    std::unique_ptr<TerminalProgress> progress_; // set exactly when the stream is a terminal
    int errorCount_ = 0;
    int warningCount_ = 0;
    bool strict_ = false;
};
