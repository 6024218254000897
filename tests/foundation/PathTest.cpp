#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "foundation/DirectoryListing.h"
#include "foundation/Path.h"
#include "foundation/PathText.h"
#include "support/files.h"

using testsupport::TempDir;

namespace {

std::string repeat(const std::string& text, int times)
{
    std::string result;
    while (times-- > 0)
        result += text;
    return result;
}

} // namespace

TEST(Path, NormalisesRelativeComponentsAndSeparators)
{
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"/w//p/./src/../inc/", "/w/p/inc/"},         {"a/./b", "a/b"},         {"/w/p/../q", "/w/q"},
        {"x/a/../b", "x/b"},                          {"/a/./../b", "/b"},      {"a/../b", "a/../b"},
        {"/../b", "/../b"},                           {"a/b/../..", "a/.."},    {"/a/..", ""},
        {"/.", ""},                                   {"a//b", "a/b"},          {"/a/..b", "/a/..b"},
        {"/a/...", "/a/..."},                         {"/a//...//", "/a/.../"}, {"a\\..\\b", "a\\..\\b"},
        {".hidden/x/.profile", ".hidden/x/.profile"}, {"", ""},                 {".", "."},
        {"..", ".."},                                 {"/", "/"},               {"////", "/"},
        {"/..", "/.."},                               {"a/..", "a/.."},         {"./", "./"}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(Path(c.first).filePath(), c.second) << c.first;

    // Long runs: every ".." below a long name and after thousands of deletions
    // must still find its parent from the slash positions kept so far.
    const std::string longName(100000, 'n');
    EXPECT_EQ(Path(repeat("/.", 10000) + "/x").filePath(), "/x");
    EXPECT_EQ(Path("/r" + repeat("/d", 10000) + repeat("/..", 10000)).filePath(), "/r");
    EXPECT_EQ(Path(longName + repeat("/../..", 10000)).filePath(), longName);

    EXPECT_EQ((Path("/w/p") + "/targets").filePath(), "/w/p/targets");
    EXPECT_EQ((Path("/w/p") + "targets").filePath(), "/w/ptargets");
    Path p("/w/p");
    p += "/../q//";
    EXPECT_EQ(p, Path("/w/q/"));
    p.setPath("/x/./y");
    EXPECT_STREQ(p.osPath(), "/x/y");
}

TEST(Path, ComputesRelativePaths)
{
    const struct {
        std::string from, to;
        bool ok;
        std::string expected;
    } dirs[] = {{"/w/p/Debug", "/w", true, "../.."},
                {"/w/p", "/w/p/src/x", true, "src/x"},
                {"/w/p", "/w/p", true, ""},
                {"/w/p", "/w//p/", true, ""},
                {"/w/./p/../q", "/w/x/../q/./r", true, "r"},
                {"/s/../w/p/Debug", "/w", true, "../.."},
                {"/a/b", "/c/d", false, ""},
                {"/", "/w", false, ""},
                {"/a", ".", true, ""},
                {"x", "x/y", true, "y"}};
    for (const auto& d : dirs) {
        std::string result = "stale";
        EXPECT_EQ(Path::relativeDirPath(d.from, d.to, result), d.ok) << d.from << " -> " << d.to;
        EXPECT_EQ(result, d.expected) << d.from << " -> " << d.to;
    }

    // A relative answer cannot be the absolute fallback of the two-argument form.
    EXPECT_EQ(Path::relativeFilePath("/w/p", "/w/lib/x.a"), "../lib/x.a");
    EXPECT_EQ(Path::relativeFilePath("/w/p", "main.c"), "main.c");
    std::string result;
    EXPECT_FALSE(Path::relativeFilePath("/w/p", "/usr/lib/x.a", result));
    EXPECT_EQ(Path::relativeFilePath("/w/p", "/usr/lib/x.a"), "/usr/lib/x.a");
    EXPECT_EQ(Path::relativeFilePath("/", "sub/x.a"), absolutePath("sub/x.a"));
}

TEST(Path, AnswersFileQueriesFromTheFirstLook)
{
    TempDir dir;
    const std::string file = dir.path() + "/sub/a.tar.gz";
    testsupport::writeFile(file, "hello", 0644, 1000000000);

    Path p(file);
    EXPECT_EQ(p.fileName(), "a.tar.gz");
    EXPECT_EQ(p.baseName(), "a");
    EXPECT_EQ(p.extension(true), "tar.gz");
    EXPECT_EQ(p.extension(false), "gz");
    EXPECT_EQ(p.dirPath(false), dir.path() + "/sub");
    EXPECT_TRUE(p.exists());
    EXPECT_EQ(p.size(), 5u);
    EXPECT_EQ(p.lastModified(), 1000000000);

    // The first answer stands until the text is set again.
    ASSERT_EQ(unlink(file.c_str()), 0);
    EXPECT_TRUE(p.exists());
    p.setPath(file);
    EXPECT_FALSE(p.exists());
    EXPECT_EQ(p.size(), 0u);
    EXPECT_EQ(p.lastModified(), 0);

    EXPECT_EQ(Path("x").dirPath(false), ".");
    EXPECT_EQ(Path("/x").dirPath(false), "/");
    EXPECT_EQ(Path("x/y").dirPath(true), absolutePath("x"));
    EXPECT_EQ(Path("/a//b/c").filePathQStringList(false), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Path("d.x/.hidden").baseName() + Path("d.x/name").extension(false), "");

    Path::ensureDirExists(dir.path() + "/n/m/f.txt");
    EXPECT_TRUE(isDirectory(dir.path() + "/n/m"));
}
