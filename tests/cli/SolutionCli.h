// Fixture for solution mode: a copy of the program laid out as an
// installation (inst/bin/mkpkg beside inst/targets/, the source tree's data),
// a home directory of its own, and the user's files under w/.
#pragma once

#include <filesystem>

#include "cli/CliTest.h"

class SolutionCli : public Cli {
protected:
    const std::string program = at("inst/bin/mkpkg");
    const std::string home = at("home");
    // The user's data directory below HOME: settings.xml and packages/.
    const std::string userDir = home + "/.vennic_associates_limited/lathmark_for_msp430";

    void SetUp() override
    {
        namespace fs = std::filesystem;
        fs::create_directories(at("inst/bin"));
        fs::create_directories(home);
        fs::create_directories(at("w"));
        fs::copy_file(kProg, program);
        fs::copy(MKPKG_SOURCE_DIR "/targets", at("inst/targets"), fs::copy_options::recursive);
    }

    // A solution file in the current format with `body` inside its root.
    void putSolution(std::string_view rel, std::string_view body) const
    {
        put(rel, "<!DOCTYPE Ambrel_Project_File>\n<solution Name=\"s\" version=\"2\">\n" + std::string(body) +
                     "\n</solution>\n");
    }

    // The installed program, run in `cwd` (below the scratch directory).
    ts::RunResult hzr(const std::vector<std::string>& args, std::string_view cwd = "w",
                      ts::RunOptions options = {}) const
    {
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), args.begin(), args.end());
        options.cwd = at(cwd);
        options.home = home;
        return ts::runProcess(argv, options);
    }

    std::set<std::string> workTree() const { return ts::listTree(at("w")); }
};
