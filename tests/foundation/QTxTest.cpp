#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/DirectoryListing.h"
#include "foundation/PathText.h"
#include "foundation/QTx.h"
#include "support/files.h"

using testsupport::TempDir;

TEST(QTx, ApplicationPathResolvesLinksAndLevels)
{
    TempDir dir;
    QTx::makeDir(dir.path() + "/opt/x/bin");
    ASSERT_EQ(symlink((dir.path() + "/opt/x/bin").c_str(), (dir.path() + "/link").c_str()), 0);
    char* real = realpath(dir.path().c_str(), nullptr);
    std::string root = real;
    free(real);
    const QTx::InstallationDirectories installed = QTx::applicationPath((dir.path() + "/link/./mkpkg").c_str(), 1);
    EXPECT_EQ(installed.application, root + "/opt/x/bin");
    EXPECT_EQ(installed.root, root + "/opt/x");
}

// Specified interface, unused by the tool.
TEST(DirectoryListing, CleansPathsAndSortsIgnoringCase)
{
    struct {
        const char* in;
        const char* out;
    } cases[] = {{"./src/", "src"},   {"a//b/../c", "a/c"},  {"", "."},
                 {"./", "."},         {"../x", "../x"},      {"/", "/"},
                 {"/../a", "/a"},     {"a/..", "."},         {"../a/../../b", "../../b"},
                 {"/a/b/../..", "/"}, {"a/b/../../..", ".."}};
    for (const auto& c : cases)
        EXPECT_EQ(cleanDirPath(c.in), c.out) << c.in;
    EXPECT_EQ(directoryPart("foo.c"), ".");
    EXPECT_EQ(directoryPart("/x"), "/");
    EXPECT_EQ(directoryPart("a/b.c"), "a");

    TempDir dir;
    for (const char* name : {"b.c", "B.c", "a.c", ".hidden", "C.h"})
        testsupport::writeFile(dir.path() + "/" + name, "");
    QTx::makeDir(dir.path() + "/Ab");
    mkfifo((dir.path() + "/fifo").c_str(), 0600);
    auto all = listDirectory(dir.path(), EntryFilter::DirectoriesAndFiles);
    ASSERT_TRUE(all);
    std::string names;
    for (const DirEntry& e : *all)
        names += e.name + (e.isDirectory ? "/ " : " ");
    EXPECT_EQ(names, "a.c Ab/ B.c b.c C.h ");
    const std::string oneLetterC = "?.c", cAndH = ";*.h  a.*;;b*", none = " ; ";
    auto matched = listDirectory(dir.path(), EntryFilter::FilesOnly, &oneLetterC);
    ASSERT_TRUE(matched);
    EXPECT_EQ(matched->size(), 3u);
    matched = listDirectory(dir.path(), EntryFilter::FilesOnly, &cAndH); // a name matching twice is listed once
    ASSERT_TRUE(matched);
    names.clear();
    for (const DirEntry& e : *matched)
        names += e.name + " ";
    EXPECT_EQ(names, "a.c b.c C.h ");
    EXPECT_TRUE(listDirectory(dir.path(), EntryFilter::FilesOnly, &none)->empty());
    EXPECT_FALSE(listDirectory(dir.path() + "/none", EntryFilter::FilesOnly));
}
