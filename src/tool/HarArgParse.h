#pragma once

#include <optional>

#include "tool/ArgParse.h"
#include "tool/Invocation.h"

// The tool's parser: the command table's options, "-hzr", "-v" and "-V". It builds
// an Invocation; in archive mode every argument after the package name is resolved
// on disk into its `fileNames` at once.
class HarArgParse : public ArgParse {
public:
    using ArgParse::ArgParse;
    // The option table points into this parser's invocation.
    HarArgParse(const HarArgParse&) = delete;
    HarArgParse& operator=(const HarArgParse&) = delete;

    // Fills the option table: every command row's option and alias, then the
    // tool's other options.
    void addToolOptions();
    // Takes the whole command line (argument 0 is the program's name); with no
    // arguments at all, writes the usage text to standard error first. Returns
    // what the command line asked for, or nothing when it ended the run early
    // (a wildcard in a directory that does not exist), which then does nothing
    // more and succeeds.
    std::optional<Invocation> parseArgs(int count, char** args);

    // The handler of every command option: makes its row's command the action.
    void selectCommand(const char* option, const char* value);
    void showVersion(const char* option, const char* value);

protected:
    void onArgument(const char* arg) override;

private:
    Invocation invocation_;
};
