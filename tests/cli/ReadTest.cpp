// List and extract, and packages that cannot be read.
#include <cstdio>

#include "cli/CliTest.h"

namespace {

TEST_F(Cli, ListShowsEveryMemberThenTheTotals)
{
    const std::string listing = "rw         3  Fri Feb 13 23:31:30 2009  ./a.c\n"
                                "ro         0  Thu Jan  1 00:00:00 1970  sub/empty\n"
                                "rw     12345  Wed May 18 03:33:20 2033  /abs/x\n"
                                "rw  100000000  Wed Dec 31 23:59:59 1969  huge\n"
                                "4 Files, 100012348 Bytes\n";
    for (bool compressed : {true, false}) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        putPackage("pkg",
                   {{"./a.c", "abc", false, kTime},
                    {"sub/empty", "", true, 0},
                    {"/abs/x", std::string(12345, 'z'), false, 2000000000},
                    {"huge", "", false, -1, 100000000}}, // listing shows the recorded size
                   compressed);
        EXPECT_TRUE(outcomeIs(run({"pkg"}), 0, listing, ""));
        EXPECT_TRUE(outcomeIs(run({"-t", "pkg"}), 0, listing, ""));
        EXPECT_EQ(tree(), (std::set<std::string>{"pkg"}));
    }
    putPackage("pkg", {});
    EXPECT_TRUE(outcomeIs(run({"-t", "pkg"}), 0, "", ""));
    EXPECT_TRUE(outcomeIs(run({"-t", "nopkg"}), 0, "", ""));
    EXPECT_TRUE(outcomeIs(run({"-x", "nopkg"}), 0, "", ""));
    EXPECT_EQ(tree(), (std::set<std::string>{"pkg"}));
}

TEST_F(Cli, ExtractWritesBelowTmpOnly)
{
    const std::string escape = "../../" + dir.path().substr(dir.path().rfind('/') + 1) + "-escaped";
    putPackage("pkg", {{"./foo.c", "foo", false, kTime},
                       {"sub/deep/ro.txt", "ro", true, kOld},
                       {"/abs/y", "why", false, kTime},
                       {"../one.txt", "overwritten", false, kTime},
                       {escape, "escape", false, kTime},
                       {"sub/../folded.c", "folded", false, kTime},
                       {"sub/../../two.txt", "overwritten", false, kTime},
                       {"last.c", "", false, kTime}});
    put("one.txt", "the user's own");
    put("two.txt", "the user's own");
    put("tmp/foo.c", "an older and longer file", 0444);
    const std::string refusals = diag("error", "refusing to extract ../one.txt: it leads outside tmp/") +
                                 diag("error", "refusing to extract " + escape + ": it leads outside tmp/") +
                                 diag("error", "refusing to extract sub/../../two.txt: it leads outside tmp/");
    const std::set<std::string> files{"pkg",          "one.txt",    "two.txt",       "tmp/",
                                      "tmp/foo.c",    "tmp/sub/",   "tmp/abs/",      "tmp/abs/y",
                                      "tmp/folded.c", "tmp/last.c", "tmp/sub/deep/", "tmp/sub/deep/ro.txt"};
    for (int round = 1; round <= 2; ++round) { // the second finds read-only files in the way
        SCOPED_TRACE(round);
        EXPECT_TRUE(outcomeIs(run({"-x", "pkg"}), 0, "", refusals));
        EXPECT_EQ(tree(), files);
        for (const auto& [path, data] : {std::pair<std::string, std::string>{"tmp/foo.c", "foo"},
                                         {"tmp/sub/deep/ro.txt", "ro"},
                                         {"tmp/abs/y", "why"},
                                         {"tmp/folded.c", "folded"},
                                         {"one.txt", "the user's own"},
                                         {"two.txt", "the user's own"},
                                         {"tmp/last.c", ""}})
            EXPECT_EQ(get(path), data) << path;
        EXPECT_EQ(ts::fileMtime(at("tmp/foo.c")), kTime);
        EXPECT_EQ(ts::fileMtime(at("tmp/sub/deep/ro.txt")), kOld);
        EXPECT_NE(ts::fileMode(at("tmp/foo.c")) & 0200, 0u);
        EXPECT_EQ(ts::fileMode(at("tmp/sub/deep/ro.txt")) & 0200, 0u);
    }
    EXPECT_FALSE(has("tmp/" + escape));
}

TEST_F(Cli, ExtractFollowsOnlyLinksThatStayInsideTmp)
{
    putPackage("pkg", {{"out/planted", "planted", false, kTime},
                       {"outabs/planted", "planted", false, kTime},
                       {"in/kept.c", "through a link", false, kTime},
                       {"inabs/kept.h", "through an absolute link", false, kTime},
                       {"loop/x", "never", false, kTime},
                       {"final.c", "replaces the link, not its target", false, kTime},
                       {"after.c", "later members still come", false, kTime}});
    put("elsewhere/keep", "K");
    put("victim.c", "the user's own");
    put("tmp/real/placeholder", "");
    ASSERT_EQ(symlink("../elsewhere", at("tmp/out").c_str()), 0);
    ASSERT_EQ(symlink(at("elsewhere").c_str(), at("tmp/outabs").c_str()), 0);
    ASSERT_EQ(symlink("real", at("tmp/in").c_str()), 0);
    ASSERT_EQ(symlink(at("tmp/./real/").c_str(), at("tmp/inabs").c_str()), 0);
    ASSERT_EQ(symlink("loop", at("tmp/loop").c_str()), 0);
    ASSERT_EQ(symlink("../victim.c", at("tmp/final.c").c_str()), 0);
    EXPECT_TRUE(outcomeIs(run({"-x", "pkg"}), 0, "",
                          diag("error", "refusing to extract out/planted: it leads outside tmp/") +
                              diag("error", "refusing to extract outabs/planted: it leads outside tmp/") +
                              diag("error", "can't open tmp/loop/x for writing")));
    EXPECT_EQ(ts::listTree(at("elsewhere")), (std::set<std::string>{"keep"}));
    EXPECT_EQ(get("tmp/real/kept.c"), "through a link");
    EXPECT_EQ(get("tmp/real/kept.h"), "through an absolute link");
    EXPECT_FALSE(has("tmp/after.c")); // extraction stops at the first file it cannot create
    std::remove(at("tmp/loop").c_str());
    EXPECT_TRUE(outcomeIs(run({"-x", "pkg"}), 0, "",
                          diag("error", "refusing to extract out/planted: it leads outside tmp/") +
                              diag("error", "refusing to extract outabs/planted: it leads outside tmp/")));
    EXPECT_EQ(get("victim.c"), "the user's own");
    EXPECT_EQ(get("tmp/final.c"), "replaces the link, not its target");
    EXPECT_EQ(get("tmp/after.c"), "later members still come");
}

// A name that ends in "/" makes its directory, which no file can take; extraction stops there,
// as it does at a name whose way down meets a file.
TEST_F(Cli, ExtractStopsAtAMemberNamedLikeADirectory)
{
    putPackage("pkg", {{"a/", "", false, kTime}, {"b.c", "B", false, kTime}});
    EXPECT_TRUE(outcomeIs(run({"-x", "pkg"}), 0, "", diag("error", "can't open tmp/a/ for writing")));
    EXPECT_EQ(tree(), (std::set<std::string>{"pkg", "tmp/", "tmp/a/"}));

    // Members are written ahead on a second thread, yet a member meets the places
    // of those before it as they are once they are in place: here a file, then a
    // file that replaced a link to a directory.
    putPackage("pkg", {{"d", "D", false, kTime}, {"d/x", "X", false, kTime}, {"e.c", "E", false, kTime}});
    EXPECT_TRUE(outcomeIs(run({"-x", "pkg"}), 0, "", diag("error", "can't open tmp/d/x for writing")));
    EXPECT_EQ(get("tmp/d"), "D");
    EXPECT_FALSE(has("tmp/e.c"));
    put("tmp/real/placeholder", "");
    ASSERT_EQ(symlink("real", at("tmp/link").c_str()), 0);
    putPackage("pkg", {{"link", "L", false, kTime}, {"link/y", "Y", false, kTime}});
    EXPECT_TRUE(outcomeIs(run({"-x", "pkg"}), 0, "", diag("error", "can't open tmp/link/y for writing")));
    EXPECT_EQ(get("tmp/link"), "L");
    EXPECT_FALSE(has("tmp/real/y"));
    // A directory in the place stops it too; nothing is made for the members after.
    put("tmp/place/kept", "");
    putPackage("pkg", {{"place", "P", false, kTime}, {"later/deep/f.c", "F", false, kTime}});
    EXPECT_TRUE(outcomeIs(run({"-x", "pkg"}), 0, "", diag("error", "can't open tmp/place for writing")));
    EXPECT_FALSE(has("tmp/later"));
    EXPECT_EQ(get("tmp/place/kept"), "");
}

// No writer makes a table whose members overlap or run past the end: such a
// package is refused before anything is extracted, since its members could make
// extraction write far more than it holds.
TEST_F(Cli, ExtractRefusesTablesNoWriterMakes)
{
    for (bool compressed : {true, false}) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        const std::string read = compressed ? "pkg.decompressed" : "pkg";
        putPackage("pkg", {{"./ok.c", "ok", false, kTime}, {"./short.c", "0123456789", false, kTime, 100}}, compressed);
        EXPECT_TRUE(outcomeIs(run({"-x", "pkg"}), 1, "",
                              diag("fatal", "bad table of contents in package " + read +
                                                ": ./short.c: its bytes run past the end of the package")));
        putPackage("pkg", {{"./a.c", "0123456789", false, kTime, 20}, {"./b.c", "0123456789", false, kTime}},
                   compressed);
        EXPECT_TRUE(outcomeIs(run({"-x", "pkg"}), 1, "",
                              diag("fatal", "bad table of contents in package " + read +
                                                ": ./b.c: its bytes overlap those of ./a.c")));
        EXPECT_EQ(tree(), (std::set<std::string>{"pkg"}));
    }
    // A create reads no member's bytes: it replaces such a package as any other.
    put("c.c", "C");
    EXPECT_TRUE(outcomeIs(run({"-c", "pkg", "c.c"}), 0, "", ""));
    EXPECT_NE(get("pkg").find(std::string(ts::kCompressedSignature)), std::string::npos);
}

TEST_F(Cli, DamagedContainersAreFatal)
{
    put("a.c", "A");
    const std::string magic(ts::kContainerMagic), two("\2\0\0\0", 4);
    const std::string record = ts::buildContainer({{"r", "", false, 0}}).substr(8, 1040);
    const std::pair<std::string, std::string> cases[] = {
        {magic + std::string(3, '\0'), "bad header"},
        {std::string("PK\3\4\0\0\0\0", 8), "bad header"},
        {magic + "\xFF\xFF\xFF\xFF", "bad header"},
        {magic + two + record, "bad table of contents"},
    };
    for (const auto& [bytes, error] : cases) {
        for (bool compressed : {true, false}) {
            for (const char* action : {"-t", "-c"}) { // the package is read before anything else
                SCOPED_TRACE(error + " " + std::to_string(bytes.size()) + (compressed ? " compressed " : " plain ") +
                             action);
                const std::string file = compressed ? ts::wrapPackage(bytes) : bytes;
                put("pkg", file);
                std::remove(at("pkg.decompressed").c_str());
                const std::string read = compressed ? "pkg.decompressed" : "pkg";
                EXPECT_TRUE(
                    outcomeIs(run({action, "pkg", "a.c"}), 1, "", diag("fatal", error + " in package " + read)));
                EXPECT_EQ(get("pkg"), file);
                EXPECT_EQ(compressed ? get("pkg.decompressed") : "", compressed ? bytes : ""); // left for inspection
            }
        }
    }
    put("pkg", "");
    EXPECT_TRUE(outcomeIs(run({"pkg"}), 1, "", diag("fatal", "bad header in package pkg")));
    put("pkg", magic + std::string(4, '\0') + "trailing bytes");
    EXPECT_TRUE(outcomeIs(run({"pkg"}), 0, "", ""));
}

TEST_F(Cli, CorruptCompressedPayloadIsABadHeader)
{
    std::string text; // 1 MiB, so that damage late in the stream is found after much output
    for (uint32_t x = 7; text.size() < (1u << 20); x = x * 1664525 + 1013904223)
        text.push_back("abcdefgh \n"[(x >> 24) % 10]);
    const std::string plain = ts::buildContainer({{"./big.txt", text, false, kTime}}), packed = ts::wrapPackage(plain);
    const auto flipped = [&](size_t at) {
        return std::string(packed).replace(at, 1, 1, static_cast<char>(packed[at] ^ 0x5A));
    };
    const std::pair<std::string, std::string> cases[] = {
        {"not zlib", packed.substr(0, 12) + "this is not a zlib stream at all"},
        {"prefix one too large", ts::wrapPackage(plain + "x").substr(0, 12) + packed.substr(12)},
        {"prefix one too small", ts::wrapPackage(plain.substr(1)).substr(0, 12) + packed.substr(12)},
        {"damage in the middle", flipped(packed.size() / 2)},
        {"damaged checksum", flipped(packed.size() - 1)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        put("pkg", bytes);
        EXPECT_TRUE(outcomeIs(run({"-t", "pkg"}), 1, "", diag("fatal", "bad header in package pkg.decompressed")));
        EXPECT_EQ(get("pkg"), bytes);
    }
}

} // namespace
