#include <gtest/gtest.h>

#include <random>
#include <string>

#include "package/LibraryOnly.h"
#include "support/files.h"

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

std::string someBytes(std::size_t size)
{
    std::mt19937 random(42);
    std::string bytes;
    while (bytes.size() < size)
        bytes += "int value" + std::to_string(random() % 1000) + " = " + std::to_string(random()) + ";\n";
    bytes.resize(size);
    return bytes;
}

} // namespace

TEST(Compression, RoundTripsThroughTheWrapperAndRefusesBadInput)
{
    TempDir dir;
    std::string plain = someBytes(300000);
    writeFile(dir.path() + "/plain", plain);
    ASSERT_TRUE(QTx::compressFile(dir.path() + "/plain", dir.path() + "/packed"));
    // The signature, then the plain length 300000 big-endian.
    EXPECT_EQ(readFile(dir.path() + "/packed").substr(0, 12),
              std::string("\x7A\xF4\x31\xB2\x01\x00\x00\x00\x00\x04\x93\xE0", 12));
    EXPECT_TRUE(QTx::isCompressedFile(dir.path() + "/packed"));
    EXPECT_FALSE(QTx::isCompressedFile(dir.path() + "/plain"));
    ASSERT_TRUE(QTx::decompressFile(dir.path() + "/packed", dir.path() + "/back"));
    EXPECT_EQ(readFile(dir.path() + "/back"), plain);

    // Empty, missing or damaged input is refused, and nothing is written.
    writeFile(dir.path() + "/empty", "");
    EXPECT_FALSE(QTx::compressFile(dir.path() + "/empty", dir.path() + "/refused"));
    EXPECT_FALSE(QTx::compressFile(dir.path() + "/missing", dir.path() + "/refused"));
    EXPECT_FALSE(testsupport::exists(dir.path() + "/refused"));
    const std::string packed = readFile(dir.path() + "/packed");
    writeFile(dir.path() + "/damaged", packed.substr(0, packed.size() - 1));
    EXPECT_FALSE(QTx::decompressFile(dir.path() + "/damaged", dir.path() + "/out"));
    EXPECT_FALSE(testsupport::exists(dir.path() + "/out"));
}
