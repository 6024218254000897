#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "support/files.h"
#include "tool/CommandTable.h"
#include "tool/HarArgParse.h"

namespace {

// Parses `args` as the tool does, messages dropped, and returns what they asked for.
Invocation parsed(std::vector<std::string> args)
{
    HReporter reporter("mkpkg", stderr);
    HarArgParse parser(&reporter);
    parser.addToolOptions();
    args.insert(args.begin(), "mkpkg");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    return parser.parseArgs(static_cast<int>(argv.size()), argv.data());
}

} // namespace

// Every command is reachable through exactly one row, and no two rows share an option.
TEST(CommandTable, HasOneRowPerCommandAndDistinctOptions)
{
    std::set<std::string> options;
    for (Command command : {Command::List, Command::Create, Command::Remove, Command::Replace, Command::Extract}) {
        const CommandRow& row = commandRow(command);
        EXPECT_EQ(row.command, command);
        EXPECT_TRUE(options.insert(row.option).second) << row.option;
        EXPECT_EQ(commandRowForOption(row.option), &row);
        if (row.alias != nullptr) {
            EXPECT_TRUE(options.insert(row.alias).second) << row.alias;
            EXPECT_EQ(commandRowForOption(row.alias), &row);
        }
    }
    EXPECT_EQ(commandTable().size(), 5u);
    EXPECT_EQ(commandRowForOption("-v"), nullptr);
}

TEST(HarArgParse, ReturnsWhatTheCommandLineAskedFor)
{
    testsupport::TempDir dir;
    const std::string file = dir.path() + "/a.c";
    testsupport::writeFile(file, "A");

    EXPECT_EQ(parsed({"pkg"}).action, Command::List);
    EXPECT_FALSE(parsed({"-v"}).inputFilename);

    // The last command wins, options may follow arguments, and "-a" is "-d".
    EXPECT_EQ(parsed({"-c", "pkg", "-t"}).action, Command::List);
    EXPECT_EQ(parsed({"-x", "-a", "pkg"}).action, Command::Remove);
    Invocation create = parsed({"pkg", "-v", "-c", file});
    EXPECT_EQ(create.action, Command::Create);
    EXPECT_TRUE(create.verbose);
    EXPECT_FALSE(create.createHZR);
    EXPECT_EQ(create.inputFilename, "pkg");
    EXPECT_EQ(create.outputFilename, "pkg");
    EXPECT_EQ(create.fileNames, std::vector<std::string>{file});

    // In solution mode later arguments name the output, the last one winning, and nothing is resolved.
    Invocation solution = parsed({"-hzr", "s.hzp", file, "out.hzr"});
    EXPECT_TRUE(solution.createHZR);
    EXPECT_EQ(solution.inputFilename, "s.hzp");
    EXPECT_EQ(solution.outputFilename, "out.hzr");
    EXPECT_TRUE(solution.fileNames.empty());
}
