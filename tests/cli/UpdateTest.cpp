// Create, replace and remove: the package written, and the failures that
// must leave the old package as it was.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

#include "cli/CliTest.h"

namespace {

TEST_F(Cli, CreateStoresNamesDataTimesAndReadOnlyFlags)
{
    put("a.c", "alpha\n", 0644, kTime);
    put("d/B.c", "", 0644, 0);
    put("d/a.c", "in d", 0600, kOld);
    put("ro.c", "read only", 0444, kTime);
    put("ro2.c", "owner may not write", 0464, kTime);
    putPackage("pkg", {{"./old.c", "replaced wholesale", false, kOld}});
    put("tmp/keep", "kept"); // a directory named tmp must not get in the way
    EXPECT_TRUE(outcomeIs(run({"-v", "-c", "pkg", "a.c", "d", "ro.c", "ro2.c", "/dev/null"}), 0,
                          run({"-V"}).out +
                              "adding ./a.c\nadding d/a.c\nadding d/B.c\nadding ./ro.c\nadding ./ro2.c\n" +
                              "adding /dev/null\n",
                          ""));
    // A device is as long as its status says; a FIFO is refused, not waited for.
    const std::vector<ts::Member> members{{"./a.c", "alpha\n", false, kTime},
                                          {"d/a.c", "in d", false, kOld},
                                          {"d/B.c", "", false, 0},
                                          {"./ro.c", "read only", true, kTime},
                                          {"./ro2.c", "owner may not write", true, kTime},
                                          {"/dev/null", "", false, static_cast<int32_t>(ts::fileMtime("/dev/null"))}};
    EXPECT_TRUE(packageHolds("pkg", members));
    ASSERT_EQ(mkfifo(at("fifo").c_str(), 0644), 0);
    EXPECT_TRUE(outcomeIs(run({"-r", "pkg", "fifo"}), 0, "", diag("error", "can't open ./fifo for reading")));
    EXPECT_TRUE(packageHolds("pkg", members));
    std::remove(at("fifo").c_str());
    EXPECT_EQ(tree(),
              (std::set<std::string>{"a.c", "d/", "d/B.c", "d/a.c", "ro.c", "ro2.c", "pkg", "tmp/", "tmp/keep"}));
    EXPECT_EQ(get("tmp/keep"), "kept");
    EXPECT_EQ(ts::fileMode(at("pkg")), 0644u); // as any new file under umask 022
}

TEST_F(Cli, ReplaceAndRemoveKeepTheSurvivorsInOrder)
{
    put("tmp/keep", "kept"); // a directory named tmp must not get in the way
    for (const char* name : {"a.c", "b.c", "x"})
        put(name, std::string("new ") + name);
    put("c.c", "cee");
    const ts::Member oldA{"./a.c", "old a", false, kOld}, oldB{"./b.c", "old b", true, kOld};
    const ts::Member newA{"./a.c", "new a.c", false, kTime}, newC{"./c.c", "cee", false, kTime};
    const std::string xMissing = diag("warning", "./x not in archive.");
    using Members = std::vector<ts::Member>;
    struct Case {
        std::vector<std::string> args;
        std::string err;
        std::optional<Members> after; // nullopt: the file is left exactly as it was
    } cases[] = {
        {{"-r", "pkg", "a.c"}, "", Members{oldB, newA}},
        {{"-r", "pkg", "c.c", "a.c"}, "", Members{oldB, newC, newA}},
        {{"-d", "pkg", "a.c"}, "", Members{oldB}},
        {{"-a", "pkg", "b.c", "a.c"}, "", Members{}},
        {{"-d", "pkg", "nothing*"}, "", Members{oldA, oldB}}, // nothing to remove, still rewritten
        {{"-c", "pkg", "c.c"}, "", Members{newC}},
        {{"-d", "pkg", "x", "a.c", "x"}, xMissing + xMissing, std::nullopt},
    };
    for (bool compressed : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::PrintToString(c.args) + (compressed ? " compressed" : " plain"));
            putPackage("pkg", {oldA, oldB}, compressed);
            const std::string before = get("pkg");
            EXPECT_TRUE(outcomeIs(run(c.args), 0, "", c.err));
            EXPECT_TRUE(c.after ? packageHolds("pkg", *c.after) : ::testing::AssertionResult(get("pkg") == before));
            EXPECT_EQ(tree(), (std::set<std::string>{"a.c", "b.c", "c.c", "x", "pkg", "tmp/", "tmp/keep"}));
        }
    }
    std::remove(at("pkg").c_str());
    EXPECT_TRUE(outcomeIs(run({"-d", "pkg", "a.c", "b.c"}), 0, "",
                          diag("warning", "./a.c not in archive.") + diag("warning", "./b.c not in archive.")));
    EXPECT_FALSE(has("pkg"));
}

// A rewrite takes the old package's compressed chunks where the members' bytes
// are unchanged, also when a removed record moves them: the package must be the
// very one a fresh create gives.
TEST_F(Cli, ReplaceAndRemoveGiveTheBytesOfAFreshCreate)
{
    std::string big;
    for (int line = 0; big.size() < (5u << 20); ++line)
        big += "static int field" + std::to_string(line * 7919 % 100003) + "(struct s *p) { return p->x; }\n";
    put("early.c", "first");
    put("big.c", big);
    put("late.c", "before");
    ASSERT_TRUE(outcomeIs(run({"-c", "pkg", "early.c", "big.c", "late.c"}), 0, "", ""));
    put("late.c", "after, and longer");
    ASSERT_TRUE(outcomeIs(run({"-r", "pkg", "late.c"}), 0, "", ""));
    ASSERT_TRUE(outcomeIs(run({"-c", "fresh", "early.c", "big.c", "late.c"}), 0, "", ""));
    EXPECT_TRUE(get("pkg") == get("fresh"));
    ASSERT_TRUE(outcomeIs(run({"-d", "pkg", "early.c"}), 0, "", ""));
    ASSERT_TRUE(outcomeIs(run({"-c", "fresh", "big.c", "late.c"}), 0, "", ""));
    EXPECT_TRUE(get("pkg") == get("fresh"));
}

TEST_F(Cli, MemberNamesMustFitTheRecord)
{
    std::string stem = "n";
    for (char c : {'p', 'q', 'r', 's'})
        stem += "/" + std::string(200, c);
    const std::string longest = stem + "/" + std::string(217, 'f'), tooLong = stem + "/" + std::string(218, 'g');
    ASSERT_EQ(longest.size(), 1023u);
    put(longest, "fits");
    put(tooLong, "does not fit");
    put("a.c", "A");
    EXPECT_TRUE(outcomeIs(run({"-c", "pkg", longest}), 0, "", ""));
    EXPECT_TRUE(packageHolds("pkg", {{longest, "fits", false, kTime}}));
    const std::string before = get("pkg");
    EXPECT_TRUE(outcomeIs(run({"-r", "pkg", "a.c", tooLong}), 0, "",
                          diag("error", tooLong + ": name too long for a package member")));
    EXPECT_EQ(get("pkg"), before);
}

TEST_F(Cli, PackagesAreReplacedInPlaceWhateverTheirName)
{
    put("a.c", "A");
    const ts::Member oldA{"./a.c", "old", false, kOld}, newA{"./a.c", "A", false, kTime};
    // Names up to the file-name limit, the longest too long for a ".lock" suffix.
    for (size_t length : {246, 250, 251, 255}) {
        SCOPED_TRACE(length);
        const std::string name(length, 'p');
        putPackage(name, {oldA});
        EXPECT_TRUE(outcomeIs(run({"-r", name, "a.c"}), 0, "", ""));
        EXPECT_TRUE(packageHolds(name, {newA}));
        EXPECT_TRUE(outcomeIs(run({"-d", name, "a.c"}), 0, "", ""));
        EXPECT_TRUE(packageHolds(name, {}));
        EXPECT_EQ(tree(), (std::set<std::string>{"a.c", name}));
        std::remove(at(name).c_str());
    }
    // A package reached through links is written through them, keeping its mode.
    putPackage("store/real.pkg", {oldA});
    chmod(at("store/real.pkg").c_str(), 0640);
    ASSERT_EQ(symlink("real.pkg", at("store/link.pkg").c_str()), 0);
    ASSERT_EQ(symlink("store/link.pkg", at("pkg").c_str()), 0);
    EXPECT_TRUE(outcomeIs(run({"-r", "pkg", "a.c"}), 0, "", ""));
    EXPECT_TRUE(packageHolds("store/real.pkg", {newA}));
    EXPECT_EQ(ts::fileMode(at("store/real.pkg")), 0640u);
    EXPECT_EQ(tree(), (std::set<std::string>{"a.c", "store/", "store/real.pkg"})); // links aside
    for (const char* link : {"pkg", "store/link.pkg"}) {
        struct stat status {};
        EXPECT_TRUE(lstat(at(link).c_str(), &status) == 0 && S_ISLNK(status.st_mode)) << link;
    }
}

TEST_F(Cli, OutputThatCannotBeWrittenIsFatal)
{
    if (!canRunUnprivileged())
        GTEST_SKIP() << "cannot run as an unprivileged user";
    put("a.c", "A");
    putPackage("locked/pkg", {{"./a.c", "old", false, kOld}}, false);
    chmod(at("locked").c_str(), 0555);
    EXPECT_TRUE(outcomeIs(run({"-r", "locked/pkg", "a.c"}, unprivileged()), 1, "",
                          diag("fatal", std::string("can't create locked/pkg.lock: ") + std::strerror(EACCES))));
    // A directory reads as a package with a bad header; one that cannot even be
    // opened reads as no package, and the rename over it fails.
    put("outdir/keep", "K");
    EXPECT_TRUE(outcomeIs(run({"-c", "outdir", "a.c"}), 1, "", diag("fatal", "bad header in package outdir")));
    chmod(at("outdir").c_str(), 0);
    EXPECT_TRUE(outcomeIs(run({"-c", "outdir", "a.c"}, unprivileged()), 1, "",
                          diag("fatal", std::string("can't replace outdir: ") + std::strerror(EISDIR))));
    chmod(at("outdir").c_str(), 0755);
    EXPECT_EQ(get("locked/pkg"), ts::buildContainer({{"./a.c", "old", false, kOld}}));
    EXPECT_EQ(tree(), (std::set<std::string>{"a.c", "locked/", "locked/pkg", "outdir/", "outdir/keep"}));
}

TEST_F(Cli, WriteFailuresAreFatalAndKeepTheOldPackage)
{
    put("a.c", "A");
    std::string noise;
    for (uint32_t x = 1; noise.size() < 256 * 1024; x = x * 1103515245 + 12345)
        noise.push_back(static_cast<char>(x >> 16));
    put("big.bin", noise);
    const ts::Member ok{"./ok.c", "ok", false, kOld}, pastEnd{"./short.c", "0123456789", false, kOld, 100};
    ts::RunOptions limited;
    limited.fileSizeLimit = 64 * 1024;
    struct Case {
        std::vector<ts::Member> old;
        bool compressed;
        std::vector<std::string> args;
        std::string err;
        ts::RunOptions options = {};
    } cases[] = {
        {{}, false, {"-c", "nodir/pkg", "a.c"}, "can't create nodir/pkg.lock: " + std::string(std::strerror(ENOENT))},
        {{ok}, true, {"-r", "pkg", "big.bin"}, "write error on pkg: " + std::string(std::strerror(EFBIG)), limited},
        {{ok, {"./big.bin", noise, false, kOld}}, true, {"-r", "pkg", "a.c"},
         "can't unwrap pkg in .: " + std::string(std::strerror(EFBIG)), limited},
        {{ok, pastEnd}, false, {"-r", "pkg", "a.c"},
         "bad table of contents in package pkg: ./short.c: its bytes run past the end of the package"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args) + (c.compressed ? " compressed" : " plain"));
        if (!c.old.empty())
            putPackage("pkg", c.old, c.compressed);
        const auto before = tree();
        const std::string old = c.old.empty() ? "" : get("pkg");
        EXPECT_TRUE(outcomeIs(run(c.args, c.options), 1, "", diag("fatal", c.err)));
        EXPECT_EQ(tree(), before);
        EXPECT_EQ(c.old.empty() ? "" : get("pkg"), old);
    }
}

// Where no thread can start (a process limit), the work is done without one:
// the same package, byte for byte, and the same results.
TEST_F(Cli, WithoutThreadsEverythingWorksAlike)
{
    std::string big;
    for (uint32_t x = 1; big.size() < 7 * 1024 * 1024; x = x * 1103515245 + 12345)
        big += (x >> 28) < 4 ? std::string(1, static_cast<char>(x >> 16)) : "int f" + std::to_string(x % 977) + ";\n";
    put("big.c", big);
    put("a.c", "A");
    ts::RunOptions noThreads;
    noThreads.env = {std::string("LD_PRELOAD=") + NO_THREADS_LIBRARY};
    ASSERT_TRUE(outcomeIs(run({"-c", "threads.pkg", "big.c", "a.c"}), 0, "", ""));
    ASSERT_TRUE(outcomeIs(run({"-c", "pkg", "big.c", "a.c"}, noThreads), 0, "", ""));
    EXPECT_TRUE(get("pkg") == get("threads.pkg"));
    put("a.c", "changed");
    ASSERT_TRUE(outcomeIs(run({"-r", "pkg", "a.c"}, noThreads), 0, "", ""));
    const ts::RunResult listed = run({"-t", "pkg"}, noThreads);
    EXPECT_EQ(listed.status, 0);
    EXPECT_NE(listed.out.find("2 Files"), std::string::npos);
    ASSERT_TRUE(outcomeIs(run({"-x", "pkg"}, noThreads), 0, "", ""));
    EXPECT_TRUE(get("tmp/big.c") == big);
    EXPECT_EQ(get("tmp/a.c"), "changed");
}

TEST_F(Cli, SourceDateEpochMakesPackagesReproducible)
{
    // The same files checked out at two different times.
    const std::string epoch = "SOURCE_DATE_EPOCH=" + std::to_string(kTime - 60);
    for (const char* package : {"first.pkg", "second.pkg"}) {
        put("one/a.c", "A", 0644, package[0] == 'f' ? kTime : kTime + 3600);
        put("one/old.c", "old", 0444, kOld);
        EXPECT_TRUE(outcomeIs(run({"-c", package, "one"}, {.env = {epoch}}), 0, "", ""));
        chmod(at("one/old.c").c_str(), 0644);
    }
    EXPECT_EQ(get("first.pkg"), get("second.pkg"));
    chmod(at("one/old.c").c_str(), 0444);
    EXPECT_TRUE(packageHolds("first.pkg", {{"one/a.c", "A", false, kTime - 60}, {"one/old.c", "old", true, kOld}}));

    // Carried members are capped too; without the variable, times are as they were.
    EXPECT_TRUE(outcomeIs(run({"-c", "pkg", "one"}), 0, "", ""));
    put("one/a.c", "A", 0644, kTime);
    put("one/b.c", "B", 0644, kTime);
    EXPECT_TRUE(outcomeIs(run({"-r", "pkg", "one/b.c"}, {.env = {epoch}}), 0, "", ""));
    EXPECT_TRUE(packageHolds("pkg", {{"one/a.c", "A", false, kTime - 60},
                                     {"one/old.c", "old", true, kOld},
                                     {"one/b.c", "B", false, kTime - 60}}));

    // A value that is not a decimal number is said and ignored; listing never asks.
    for (const std::string value : {"soon", "-1", "1.5", ""}) {
        EXPECT_TRUE(outcomeIs(run({"-c", "pkg", "one/a.c"}, {.env = {"SOURCE_DATE_EPOCH=" + value}}), 0, "",
                              diag("warning", "SOURCE_DATE_EPOCH=" + value +
                                                  " is not a decimal number of seconds; ignored")));
        EXPECT_TRUE(packageHolds("pkg", {{"one/a.c", "A", false, kTime}}));
    }
    EXPECT_TRUE(outcomeIs(run({"-t", "pkg"}, {.env = {"SOURCE_DATE_EPOCH=soon"}}), 0,
                          "rw         1  Fri Feb 13 23:31:30 2009  one/a.c\n1 Files, 1 Bytes\n", ""));
}

} // namespace
