#pragma once

#include <optional>
#include <string>
#include <vector>

// The archive commands. The values are the codes the command line's options have
// always stood for (0 list, the default, up to 4 extract).
enum class Command : int { List = 0, Create = 1, Remove = 2, Replace = 3, Extract = 4 };

// What the command line asked for, as the parser leaves it.
struct Invocation {
    Command action = Command::List; // the last command option wins
    // The package (archive mode) or the solution (solution mode); none when no
    // argument named one, and then the program does nothing.
    std::optional<std::string> inputFilename;
    // Archive mode: the package again. Solution mode: the last argument after the
    // solution, if any.
    std::optional<std::string> outputFilename;
    // Archive mode: the files the later arguments name, resolved on disk as they came.
    std::vector<std::string> fileNames;
    bool verbose = false;
    // The mode: solution mode once "-hzr" was seen, else archive mode.
    bool createHZR = false;
};
