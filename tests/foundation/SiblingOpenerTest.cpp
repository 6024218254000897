// Opening and looking up through a kept directory must answer exactly as open(2),
// stat(2) and access(2) of the whole path.
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/SiblingOpener.h"
#include "support/files.h"

namespace {

// One call through the opener and the plain call on the whole path: same success, same errno.
template <typename Through, typename Plain> void expectSameAnswer(Through through, Plain plain)
{
    errno = 0;
    const int expected = plain();
    const int expectedErrno = errno;
    errno = 0;
    const int got = through();
    EXPECT_EQ(got, expected);
    if (got < 0) {
        EXPECT_EQ(errno, expectedErrno);
    }
}

// What an open answers, its descriptor closed at once: 0 or -1 with errno.
int opened(int fd)
{
    return fd < 0 ? -1 : close(fd);
}

TEST(SiblingOpener, AnswersAsTheSystemCallsDoForEveryPath)
{
    testsupport::TempDir dir;
    const std::string root = dir.path();
    testsupport::writeFile(root + "/a/x", "x");
    testsupport::writeFile(root + "/a/y", "y");
    testsupport::writeFile(root + "/b/z", "z");
    testsupport::writeFile(root + "/f", "f");
    testsupport::writeFile(root + "/a/unreadable", "u");
    chmod((root + "/a/unreadable").c_str(), 0);
    mkdir((root + "/locked").c_str(), 0711); // searchable but not readable: O_PATH must not need read
    testsupport::writeFile(root + "/locked/w", "w");
    chmod((root + "/locked").c_str(), 0111);

    SiblingOpener siblings;
    // In an order that keeps, changes and loses the kept directory.
    for (const char* name : {"/a/x", "/a/y", "/a/missing", "/a/unreadable", "/b/z", "/a/x", "/missing/x", "/f/x", "/a/",
                             "/locked/w", "/a/../b/z", "/f"}) {
        SCOPED_TRACE(name);
        const std::string path = root + name;
        expectSameAnswer([&] { return opened(siblings.open(path, O_RDONLY | O_CLOEXEC)); },
                         [&] { return opened(open(path.c_str(), O_RDONLY | O_CLOEXEC)); });
        struct stat status {};
        expectSameAnswer([&] { return siblings.stat(path, status); }, [&] { return stat(path.c_str(), &status); });
        expectSameAnswer([&] { return siblings.access(path, R_OK); }, [&] { return access(path.c_str(), R_OK); });
    }
    chmod((root + "/locked").c_str(), 0755);
}

} // namespace
