#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "foundation/ByteSink.h"

namespace {

// Bytes written straight into the file by another hand bypass stdio: bytes put
// before and after must still land in order around them.
TEST(ByteSink, FileSinkTakesBytesWrittenStraightIntoItsFile)
{
    FILE* target = std::tmpfile();
    FileSink sink(target);
    EXPECT_TRUE(sink.put(reinterpret_cast<const unsigned char*>("ab"), 2));
    std::uint64_t at = 0;
    const int fd = sink.directFd(at);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(at, 2u); // the buffered bytes count, though not written yet
    EXPECT_EQ(pwrite(fd, "012345", 6, static_cast<off_t>(at)), 6);
    EXPECT_TRUE(sink.skipWritten(6));
    EXPECT_TRUE(sink.put(reinterpret_cast<const unsigned char*>("cd"), 2));
    EXPECT_EQ(ftello(target), 10);
    std::rewind(target);
    char back[16] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, target), 10u);
    EXPECT_STREQ(back, "ab012345cd");
    std::fclose(target);

    // A pipe has no place to write into ahead.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    FILE* pipeStream = fdopen(ends[1], "wb");
    FileSink overPipe(pipeStream);
    EXPECT_EQ(overPipe.directFd(at), -1);
    std::fclose(pipeStream);
    close(ends[0]);
}

} // namespace
