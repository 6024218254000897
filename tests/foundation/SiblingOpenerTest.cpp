// Opening through a kept directory must answer exactly as open(2) of the whole path.
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/SiblingOpener.h"
#include "support/files.h"

namespace {

TEST(SiblingOpener, AnswersAsOpenDoesForEveryPath)
{
    testsupport::TempDir dir;
    const std::string root = dir.path();
    testsupport::writeFile(root + "/a/x", "x");
    testsupport::writeFile(root + "/a/y", "y");
    testsupport::writeFile(root + "/b/z", "z");
    testsupport::writeFile(root + "/f", "f");
    mkdir((root + "/locked").c_str(), 0711); // searchable but not readable: O_PATH must not need read
    testsupport::writeFile(root + "/locked/w", "w");
    chmod((root + "/locked").c_str(), 0111);

    SiblingOpener siblings;
    // In an order that keeps, changes and loses the kept directory.
    for (const char* name :
         {"/a/x", "/a/y", "/a/missing", "/b/z", "/a/x", "/missing/x", "/f/x", "/a/", "/locked/w", "/a/../b/z", "/f"}) {
        SCOPED_TRACE(name);
        const std::string path = root + name;
        errno = 0;
        const int expected = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const int expectedErrno = errno;
        errno = 0;
        const int got = siblings.open(path, O_RDONLY | O_CLOEXEC);
        EXPECT_EQ(got >= 0, expected >= 0);
        if (got < 0) {
            EXPECT_EQ(errno, expectedErrno);
        }
        if (expected >= 0)
            close(expected);
        if (got >= 0)
            close(got);
    }
    chmod((root + "/locked").c_str(), 0755);
}

} // namespace
