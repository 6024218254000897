#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "foundation/ByteSink.h"

namespace {

FILE* fileWith(const std::string& bytes)
{
    FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fflush(file);
    return file;
}

} // namespace

// The kernel copy bypasses stdio: bytes put before and after must still land in order.
TEST(ByteSink, FileSinkPutsAFileBetweenBufferedBytes)
{
    FILE* source = fileWith("0123456789");
    FILE* target = std::tmpfile();
    FileSink sink(target);
    EXPECT_TRUE(sink.put(reinterpret_cast<const unsigned char*>("ab"), 2));
    EXPECT_TRUE(sink.putFile(fileno(source), 6));
    EXPECT_TRUE(sink.put(reinterpret_cast<const unsigned char*>("cd"), 2));
    EXPECT_EQ(ftello(target), 10);
    std::rewind(target);
    char back[16] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, target), 10u);
    EXPECT_STREQ(back, "ab012345cd");

    // A file shorter than announced is a failure, through the buffered path too.
    struct Discard : ByteSink {
        bool put(const unsigned char*, std::size_t) override { return true; }
    } discard;
    EXPECT_FALSE(discard.putFile(fileno(source), 11));
    std::fclose(source);
    std::fclose(target);
}
