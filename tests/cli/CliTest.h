// Fixture for end-to-end runs of the mkpkg binary in a scratch directory.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "support/files.h"
#include "support/process.h"
#include "support/raw_package.h"

namespace ts = testsupport;

inline const std::string kProg = MKPKG_BINARY;
inline constexpr int32_t kTime = 1234567890; // Fri Feb 13 23:31:30 2009 UTC
inline constexpr int32_t kOld = 1000000000;  // Sun Sep  9 01:46:40 2001 UTC

// One message line as the program prints it: "<argv[0]>: <kind>: <text>".
inline std::string diag(std::string_view kind, std::string_view text)
{
    return kProg + ": " + std::string(kind) + ": " + std::string(text) + "\n";
}

inline ::testing::AssertionResult outcomeIs(const ts::RunResult& r, int status, std::string_view out,
                                            std::string_view err)
{
    if (r.status == status && r.out == out && r.err == err)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\nexpected status " << status << "\n  stdout [" << out << "]\n  stderr ["
                                         << err << "]\nactual status " << r.status << "\n  stdout [" << r.out
                                         << "]\n  stderr [" << r.err << "]";
}

class Cli : public ::testing::Test {
protected:
    ts::TempDir dir;

    std::string at(std::string_view rel) const { return dir.path() + "/" + std::string(rel); }
    void put(std::string_view rel, std::string_view data, mode_t mode = 0644, int64_t time = kTime) const
    {
        ts::writeFile(at(rel), data, mode, time);
    }
    std::string get(std::string_view rel) const { return ts::readFile(at(rel)); }
    bool has(std::string_view rel) const { return ts::exists(at(rel)); }
    std::set<std::string> tree() const { return ts::listTree(dir.path()); }
    void putPackage(std::string_view rel, const std::vector<ts::Member>& members, bool compressed = true) const
    {
        const std::string plain = ts::buildContainer(members);
        put(rel, compressed ? ts::wrapPackage(plain) : plain);
    }

    ts::RunResult run(const std::vector<std::string>& args, ts::RunOptions options = {}) const
    {
        std::vector<std::string> argv{kProg};
        argv.insert(argv.end(), args.begin(), args.end());
        options.cwd = options.home = dir.path();
        return ts::runProcess(argv, options);
    }

    std::unique_ptr<ts::BackgroundProcess> start(const std::vector<std::string>& args,
                                                 ts::RunOptions options = {}) const
    {
        std::vector<std::string> argv{kProg};
        argv.insert(argv.end(), args.begin(), args.end());
        options.cwd = options.home = dir.path();
        return std::make_unique<ts::BackgroundProcess>(argv, options);
    }

    // The package is wrapped with the right length prefix, and the container
    // inside holds exactly `expected`, laid out as a writer must lay it out.
    ::testing::AssertionResult packageHolds(std::string_view rel, const std::vector<ts::Member>& expected) const
    {
        if (!has(rel))
            return ::testing::AssertionFailure() << rel << " does not exist";
        std::string why;
        const auto plain = ts::unwrapPackage(get(rel), &why);
        const auto members = plain ? ts::parseContainer(*plain, &why) : std::nullopt;
        if (!members)
            return ::testing::AssertionFailure() << rel << ": " << why;
        const std::string want = ts::describe(expected), got = ts::describe(*members);
        if (want != got)
            return ::testing::AssertionFailure() << "\nexpected members\n" << want << "actual\n" << got;
        if (*plain != ts::buildContainer(expected))
            return ::testing::AssertionFailure() << rel << ": container bytes differ from the expected layout";
        return ::testing::AssertionSuccess();
    }

    // Refusals that root would not meet are run as nobody, for whom the
    // scratch directory is opened to everyone. False when that is impossible.
    ts::RunOptions unprivileged() const
    {
        ts::RunOptions options;
        options.unprivileged = true;
        return options;
    }
    bool canRunUnprivileged() const
    {
        return geteuid() != 0 || (chmod(dir.path().c_str(), 0777) == 0 && run({"-V"}, unprivileged()).status == 0);
    }
};
