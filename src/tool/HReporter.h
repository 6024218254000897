#pragma once

#include <cstdio>
#include <string>

// Writes the tool's message lines, "<program>: error: <text>" and its warning and
// fatal forms, to one stream (the standard error stream), counting errors and warnings.
class HReporter {
public:
    HReporter(std::string programName, FILE* stream);

    void error(const std::string& text);
    void warning(const std::string& text);
    void fatal(const std::string& text);

    const std::string& programName() const { return programName_; }
    int errorCount() const { return errorCount_; }
    int warningCount() const { return warningCount_; }

private:
    void line(const char* kind, const std::string& text);

    std::string programName_;
    FILE* stream_;
    int errorCount_ = 0;
    int warningCount_ = 0;
};
