#include <gtest/gtest.h>

#include <random>
#include <string>

#include "package/Compression.h"
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

TEST(Compression, RoundTripsThroughTheWrapper)
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
}

TEST(Compression, RefusesEmptyOrMissingInput)
{
    TempDir dir;
    writeFile(dir.path() + "/empty", "");
    EXPECT_FALSE(QTx::compressFile(dir.path() + "/empty", dir.path() + "/packed"));
    EXPECT_FALSE(QTx::compressFile(dir.path() + "/missing", dir.path() + "/packed"));
    EXPECT_FALSE(testsupport::exists(dir.path() + "/packed"));
}

TEST(Compression, RejectsEveryDamagedPayload)
{
    TempDir dir;
    writeFile(dir.path() + "/plain", someBytes(5000));
    ASSERT_TRUE(QTx::compressFile(dir.path() + "/plain", dir.path() + "/packed"));
    std::string packed = readFile(dir.path() + "/packed");
    std::string damaged = dir.path() + "/damaged", out = dir.path() + "/out";

    auto rejects = [&](const std::string& bytes) {
        writeFile(damaged, bytes);
        bool ok = QTx::decompressFile(damaged, out);
        return !ok && (!testsupport::exists(out) || readFile(out).empty());
    };
    for (std::size_t length = 0; length < packed.size(); ++length)
        EXPECT_TRUE(rejects(packed.substr(0, length))) << "truncated to " << length;
    // Damage inside the stream is the inflater's to find; its own test flips every byte.
    std::string longer = packed;
    longer[11] = static_cast<char>(longer[11] + 1); // announced length one more than the data
    EXPECT_TRUE(rejects(longer));
    EXPECT_TRUE(rejects(packed + "x"));
    EXPECT_TRUE(rejects(packed.substr(0, 8) + "not zlib at all"));
}

TEST(Compression, AFailedWriteOfTheUnwrappedCopyIsAFailure)
{
    TempDir dir;
    // One output chunk, so that the failing write and the end of the stream meet in one step.
    writeFile(dir.path() + "/plain", someBytes(20000));
    ASSERT_TRUE(QTx::compressFile(dir.path() + "/plain", dir.path() + "/packed"));
    EXPECT_FALSE(QTx::decompressFile(dir.path() + "/packed", "/dev/full"));
}
