// How file arguments become member names: files, directory walks, wildcards.
#include <cstdio>

#include "cli/CliTest.h"

namespace {

std::vector<std::string> memberNames(const std::string& packed)
{
    const auto plain = ts::unwrapPackage(packed);
    const auto members = plain ? ts::parseContainer(*plain) : std::nullopt;
    std::vector<std::string> names;
    if (!members)
        return {"<unreadable package>"};
    for (const auto& m : *members)
        names.push_back(m.name);
    return names;
}

TEST_F(Cli, FileArgumentsResolveOnDisk)
{
    for (const char* name : {"a.c", "B.c", "x.h", "d/a.c", "d/B.c", "d/C/z.c", "d/c.c", "d/.hidden", "d/.git/h.c",
                             "sub/b.c", "sub/n.h", "dir.c/inside.c"})
        put(name, name);
    const std::string absolute = at("sub/b.c");
    const std::vector<std::string> walk{"d/a.c", "d/B.c", "d/C/z.c", "d/c.c"};
    struct Case {
        std::vector<std::string> args, members;
    } cases[] = {
        {{"a.c", "sub/b.c"}, {"./a.c", "sub/b.c"}},
        {{absolute}, {absolute}},
        {{"d"}, walk}, // case ignored, directories and files interleaved, hidden entries skipped
        {{"d/"}, walk},
        {{"*.c"}, {"./a.c", "./B.c"}}, // files only: not the directory dir.c
        {{"sub/*.c", "*.none"}, {"sub/b.c"}},
        {{"a.c", "a.c"}, {"./a.c", "./a.c"}},
        {{"*.c;*.h"}, {"./a.c", "./B.c", "./x.h"}}, // a name filter: patterns split at ";" and blanks
        {{"sub/*.h *.c; x*"}, {"sub/b.c", "sub/n.h"}},
        {{"*.none"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::vector<std::string> args{"-c", "pkg"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::remove(at("pkg").c_str());
        EXPECT_TRUE(outcomeIs(run(args), 0, "", ""));
        EXPECT_EQ(memberNames(get("pkg")), c.members);
    }
    // The package without members is the 8-byte header alone.
    EXPECT_EQ(ts::unwrapPackage(get("pkg")), std::string("\xC8\xC3\x52\x41\0\0\0\0", 8));
}

TEST_F(Cli, WildcardInMissingDirectoryStopsTheProgram)
{
    put("a.c", "A");
    put("more", "nodir/*.c -V\n-V\n");
    for (const auto& [args, dir] :
         {std::pair<std::vector<std::string>, std::string>{{"-c", "pkg", "a.c", "nodir/*.c"}, "nodir"},
          {{"-t", "pkg", "nodir/x"}, "nodir"},
          {{"-c", "pkg", "a.c", "a.c/x", "a.c"}, "a.c"},
          // Nothing after it counts, not even in the file it came from; nor does -v.
          {{"-v", "-c", "pkg", "@more", "-V"}, "nodir"}}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_TRUE(outcomeIs(run(args), 0, "", diag("error", "can't open " + dir)));
        EXPECT_EQ(tree(), (std::set<std::string>{"a.c", "more"}));
    }
    // Only a missing directory stops it: one that cannot be read matches nothing.
    if (!canRunUnprivileged())
        GTEST_SKIP() << "cannot run as an unprivileged user";
    put("locked/b.c", "B");
    chmod(at("locked").c_str(), 0);
    EXPECT_TRUE(outcomeIs(run({"-c", "pkg", "locked/*.c", "a.c"}, unprivileged()), 0, "", ""));
    chmod(at("locked").c_str(), 0755);
    EXPECT_TRUE(packageHolds("pkg", {{"./a.c", "A", false, kTime}}));
}

TEST_F(Cli, StrictRunsFailOnEveryMessageAndNameWhatMatchedNothing)
{
    put("a.c", "A");
    put("empty/.hidden", "");
    ASSERT_EQ(symlink("nowhere", at("dangling").c_str()), 0);
    const ts::RunOptions strict{.env = {"MKPKG_STRICT=1"}};
    const std::vector<std::string> args{"-c", "pkg", "a.c", "missing.c", "dangling", "*.h", "empty"};
    // Without the variable (or with another value) nothing is said and the package is made.
    for (const ts::RunOptions& options : {ts::RunOptions{}, ts::RunOptions{.env = {"MKPKG_STRICT=yes"}}}) {
        EXPECT_TRUE(outcomeIs(run(args, options), 0, "", ""));
        EXPECT_TRUE(packageHolds("pkg", {{"./a.c", "A", false, kTime}}));
    }
    const std::string before = get("pkg");
    // An empty directory names something and stays silent; nothing is written.
    EXPECT_TRUE(outcomeIs(run({"-r", "pkg", "a.c", "missing.c", "dangling", "*.h", "empty"}, strict), 1, "",
                          diag("error", "no file matches missing.c") + diag("error", "no file matches dangling") +
                              diag("error", "no file matches *.h")));
    EXPECT_EQ(get("pkg"), before);
    // Every message the specified statuses pass over ends a strict run with 1.
    EXPECT_TRUE(outcomeIs(run({"-q", "-t", "pkg"}, strict), 1, "rw         1  Fri Feb 13 23:31:30 2009  ./a.c\n1 Files, 1 Bytes\n",
                          diag("error", "unrecognised option -q")));
    EXPECT_TRUE(outcomeIs(run({"-c", "pkg", "nodir/*.c"}, strict), 1, "", diag("error", "can't open nodir")));
    EXPECT_TRUE(outcomeIs(run({"-d", "pkg", "empty"}, strict), 0, "", ""));
    put("x.c", "X");
    EXPECT_TRUE(outcomeIs(run({"-d", "pkg", "x.c"}, strict), 1, "", diag("warning", "./x.c not in archive.")));
    EXPECT_TRUE(outcomeIs(run({"-t", "pkg"}, strict), 0, "rw         1  Fri Feb 13 23:31:30 2009  ./a.c\n1 Files, 1 Bytes\n", ""));
    EXPECT_EQ(get("pkg"), before);
}

} // namespace
