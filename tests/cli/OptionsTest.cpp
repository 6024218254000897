// Command line: usage text, banners, options and "@" indirect files.
#include <cstring>

#include "cli/CliTest.h"

namespace {

TEST_F(Cli, BannerAndUsageGoToTheRightStreams)
{
    const auto version = run({"-V"});
    const std::string& banner = version.out;
    const std::string first = "Lathmark for MSP430 Package Maintainer - Release 2.0.2.2009020300.4173\n";
    ASSERT_TRUE(outcomeIs(version, 0, banner, ""));
    ASSERT_TRUE(banner.starts_with(first)) << banner;
    const std::string notice = banner.substr(first.size());
    EXPECT_TRUE(notice.size() > 1 && notice.find('\n') == notice.size() - 1) << "second line: [" << notice << "]";

    EXPECT_TRUE(outcomeIs(run({}), 0, "",
                          banner + "\nUsage: mkpkg [options] package file...\n\n"
                                   "-c          create new package from files\n"
                                   "-d          remove files from package\n"
                                   "-r          replace file in package\n"
                                   "-t          list contents of package\n"
                                   "-v          verbose\n"
                                   "-V          show version\n"
                                   "\nUsage: mkpkg -hzr project.hzp [output.hzr]\n"));
    // -V prints while the options are parsed, -v once more afterwards.
    EXPECT_TRUE(outcomeIs(run({"-v", "-V", "pkg"}), 0, banner + banner, ""));
    EXPECT_TRUE(outcomeIs(run({"-V", "-V"}), 0, banner + banner, ""));
    EXPECT_TRUE(outcomeIs(run({"-v"}), 0, banner, ""));
}

TEST_F(Cli, OptionsTakeEffectInOrderAndTheLastActionWins)
{
    put("a.c", "new");
    const std::vector<ts::Member> old{{"./a.c", "old", false, kTime}}, created{{"./a.c", "new", false, kTime}};
    const std::string listing = "rw         3  Fri Feb 13 23:31:30 2009  ./a.c\n1 Files, 3 Bytes\n";
    struct Case {
        std::vector<std::string> args;
        std::string out;
        std::vector<ts::Member> after;
    } cases[] = {
        {{"-c", "pkg", "a.c", "-t"}, listing, old}, {{"pkg", "-c", "a.c"}, "", created},
        {{"-x", "-d", "-t", "pkg"}, listing, old},  {{"-t", "-r", "pkg", "a.c"}, "", created},
        {{"-d", "-c", "pkg", "a.c"}, "", created},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        putPackage("pkg", old);
        EXPECT_TRUE(outcomeIs(run(c.args), 0, c.out, ""));
        EXPECT_TRUE(packageHolds("pkg", c.after));
    }
}

TEST_F(Cli, UnrecognisedOptionsAreReportedAndIgnored)
{
    put("a.c", "new");
    std::string err;
    for (const char* option : {"-h", "-", "-C", "--", "-hz"})
        err += diag("error", std::string("unrecognised option ") + option);
    EXPECT_TRUE(outcomeIs(run({"-h", "-", "-c", "pkg", "-C", "a.c", "--", "-hz"}), 0, "", err));
    EXPECT_TRUE(packageHolds("pkg", {{"./a.c", "new", false, kTime}}));
}

TEST_F(Cli, IndirectFileSplitsLinesLikeTheCommandLine)
{
    for (const char* name : {"my file.c", "a", "b c", "d", "ab", "cd", "t\tu", "x y", "x"})
        put(name, name);
    put("args", "-c\n# -x is a comment\npkg \"my file.c\"\na   \"b c\" d\n\"ab\"cd\nt\tu\n\"x y\n   \n   ");
    EXPECT_TRUE(outcomeIs(run({"@args"}), 0, "", diag("error", "unterminated string in indirect file args(7)")));
    std::vector<ts::Member> expected;
    for (const char* name : {"my file.c", "a", "b c", "d", "ab", "cd", "t\tu"})
        expected.push_back({std::string("./") + name, name, false, kTime});
    EXPECT_TRUE(packageHolds("pkg", expected));
}

TEST_F(Cli, IndirectFileLimitsAndFailures)
{
    put("a.c", "A");
    std::string options255;
    for (int i = 0; i < 255; ++i)
        options255 += "-t ";
    put("fits", options255 + "-c\npkg a.c\n"); // 256 arguments on line 1
    EXPECT_TRUE(outcomeIs(run({"@fits"}), 0, "", ""));
    EXPECT_TRUE(packageHolds("pkg", {{"./a.c", "A", false, kTime}}));
    // The empty quoted argument counts: 257 arguments, so the -c is lost.
    put("over", options255 + "\"\" -c\nother a.c\n");
    EXPECT_TRUE(outcomeIs(run({"@over"}), 0, "", diag("error", "too many arguments in indirect file over(1)")));
    EXPECT_FALSE(has("other"));

    put("self", "@self\n");
    EXPECT_TRUE(outcomeIs(run({"@self"}), 0, "", diag("error", "too many indirect files")));
    // Two references a line would read 2^100 files below the nesting limit; the count of files ends it.
    put("twice", "@twice @twice -V\n");
    const ts::RunResult twice = run({"@twice"});
    EXPECT_EQ(twice.status, 0);
    EXPECT_EQ(twice.out.size(), 10000 * run({"-V"}).out.size());
    EXPECT_TRUE(outcomeIs(run({"@missing", "-V"}), 0, run({"-V"}).out,
                          diag("error", std::string("can't open indirect file missing: ") + std::strerror(ENOENT))));
}

} // namespace
