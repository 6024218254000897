#pragma once

#include "tool/ArgParse.h"

// The tool's parser: its options set the tool's globals, and in archive mode every
// argument after the package name is resolved on disk into `fileNames` at once.
class HarArgParse : public ArgParse {
public:
    using ArgParse::ArgParse;

    // Fills the option table with the tool's nine options.
    void addToolOptions();
    // Takes the whole command line (argument 0 is the program's name); with no
    // arguments at all, writes the usage text to standard error first.
    void parseArgs(int count, char** args);

    void copt(const char* option, const char* value);
    void dopt(const char* option, const char* value);
    void ropt(const char* option, const char* value);
    void topt(const char* option, const char* value);
    void xopt(const char* option, const char* value);
    void showVersion(const char* option, const char* value);

protected:
    void onArgument(const char* arg) override;

private:
    // Appends the files an archive-mode argument names; a wildcard whose directory
    // is missing ends the program with status 0 after an error.
    void resolveFileArgument(const std::string& arg);
};
