#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "package/Archive.h"
#include "package/Compression.h"
#include "support/files.h"

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

std::string le32(std::uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

std::string record(const std::string& name, std::uint32_t offset, std::uint32_t size, bool readOnly, std::int32_t time)
{
    std::string r = name;
    r.resize(1024, '\0');
    r += le32(offset) + le32(size) + std::string(1, readOnly ? 1 : 0) + std::string(3, '\0') +
         le32(static_cast<std::uint32_t>(time));
    return r;
}

const std::string kMagic = "\xC8\xC3\x52\x41";

// Opens `path` into `archive` and returns open's result.
int openFile(Archive2& archive, const std::string& path)
{
    return archive.open(std::fopen(path.c_str(), "rb"), path.c_str());
}

} // namespace

TEST(Archive, WritesTheContainerLayout)
{
    TempDir dir;
    std::string out = dir.path() + "/empty";
    Archive2 empty;
    ASSERT_EQ(empty.write(out.c_str(), Packing::Plain), 0);
    EXPECT_EQ(readFile(out), kMagic + std::string(4, '\0'));

    writeFile(dir.path() + "/a", "xyz");
    Archive2 one;
    one.addMember((dir.path() + "/a").c_str(), "a", 0, 3, true, 1234567890);
    ASSERT_EQ(one.write(out.c_str(), Packing::Plain), 0);
    EXPECT_EQ(readFile(out), kMagic + le32(1) + record("a", 1048, 3, true, 1234567890) + "xyz");
}

TEST(Archive, CopiesMembersFromArchivesAndFilesAlike)
{
    TempDir dir;
    std::string name1023(1023, 'n');
    std::string source = dir.path() + "/source";
    writeFile(source, kMagic + le32(2) + record("old", 2088, 4, false, 7) + record(name1023, 2092, 2, true, 8) +
                          "OLD!" + "zz");
    writeFile(dir.path() + "/old", "OLD!");
    writeFile(dir.path() + "/long", "zz");
    writeFile(dir.path() + "/new", "new bytes");

    Archive2 read;
    ASSERT_EQ(openFile(read, source), 0);
    ASSERT_EQ(read.count(), 2);
    EXPECT_EQ(read.members()[1].name, name1023);
    Archive2 mixed;
    for (const ArchiveChunk2& m : read.members())
        mixed.addMember(m.source.c_str(), m.name.c_str(), m.offset, m.size, m.readOnly, m.time);
    mixed.addMember((dir.path() + "/new").c_str(), "new", 0, 9, false, 9);
    ASSERT_EQ(mixed.write((dir.path() + "/mixed").c_str(), Packing::Plain), 0);
    read.close();

    Archive2 plain;
    plain.addMember((dir.path() + "/old").c_str(), "old", 0, 4, false, 7);
    plain.addMember((dir.path() + "/long").c_str(), name1023.c_str(), 0, 2, true, 8);
    plain.addMember((dir.path() + "/new").c_str(), "new", 0, 9, false, 9);
    ASSERT_EQ(plain.write((dir.path() + "/plain").c_str(), Packing::Plain), 0);
    EXPECT_EQ(readFile(dir.path() + "/mixed"), readFile(dir.path() + "/plain"));

    // The compressed form unwraps to the same container.
    ASSERT_EQ(plain.write((dir.path() + "/packed").c_str(), Packing::Compressed), 0);
    ASSERT_TRUE(QTx::decompressFile(dir.path() + "/packed", dir.path() + "/unpacked"));
    EXPECT_EQ(readFile(dir.path() + "/unpacked"), readFile(dir.path() + "/plain"));
}

TEST(Archive, RejectsDamagedHeadersAndTables)
{
    TempDir dir;
    std::string valid = kMagic + le32(2) + record("a", 2088, 1, false, 0) + record("b", 2089, 1, false, 0) + "AB";
    std::string path = dir.path() + "/pkg";
    // Every truncation inside the header is a bad header, inside the table a bad table.
    for (std::size_t length = 0; length < valid.size(); ++length) {
        writeFile(path, valid.substr(0, length));
        Archive2 archive;
        int expected = length < 8 ? 1 : length < 2088 ? 2 : 0;
        EXPECT_EQ(openFile(archive, path), expected) << "length " << length;
        archive.close();
    }
    struct Case {
        std::string bytes;
        int result;
    } cases[] = {
        {"\xC8\xC3\x52\x42" + le32(0), 1},                       // wrong magic
        {kMagic + le32(0xFFFFFFFF), 1},                          // negative count
        {kMagic + le32(0x7FFFFFFF) + record("a", 0, 0, 0, 0), 2}, // count far beyond the file
        {kMagic + le32(1) + std::string(1040, 'x'), 2},           // name without its terminator
        {kMagic + le32(0) + "trailing", 0},
    };
    for (const Case& c : cases) {
        writeFile(path, c.bytes);
        Archive2 archive;
        EXPECT_EQ(openFile(archive, path), c.result);
        EXPECT_EQ(archive.count(), 0);
        archive.close();
    }
    Archive2 missing;
    EXPECT_EQ(missing.open(nullptr, "nothing"), 0);
}

TEST(Archive, WriteFailuresKeepTheOldFile)
{
    TempDir dir;
    std::string out = dir.path() + "/pkg";
    writeFile(out, "old package");
    writeFile(dir.path() + "/short", "ab");

    Archive2 vanished;
    vanished.addMember((dir.path() + "/gone").c_str(), "gone", 0, 1, false, 0);
    EXPECT_EQ(vanished.write(out.c_str(), Packing::Compressed), 3);
    EXPECT_EQ(vanished.errorText(), "read error on " + dir.path() + "/gone: No such file or directory");

    Archive2 shrunk;
    shrunk.addMember((dir.path() + "/short").c_str(), "short", 0, 5, false, 0);
    EXPECT_EQ(shrunk.write(out.c_str(), Packing::Compressed), 3);
    EXPECT_EQ(shrunk.errorText(), "read error on " + dir.path() + "/short: unexpected end of file");

    Archive2 longName;
    longName.addMember((dir.path() + "/short").c_str(), std::string(1024, 'n').c_str(), 0, 2, false, 0);
    EXPECT_EQ(longName.write(out.c_str(), Packing::Plain), 3);

    Archive2 noDir;
    EXPECT_EQ(noDir.write((dir.path() + "/missing/pkg").c_str(), Packing::Plain), 3);
    EXPECT_EQ(noDir.errorText(), "can't create " + dir.path() + "/missing/pkg: No such file or directory");

    EXPECT_EQ(readFile(out), "old package");
    EXPECT_EQ(testsupport::listTree(dir.path()), (std::set<std::string>{"pkg", "short"}));
}

TEST(Archive, RefusesContainersOf4GiB)
{
    Archive2 huge;
    for (int i = 0; i < 2; ++i)
        huge.addMember("/nonexistent", "m", 0, 0x80000000u, false, 0);
    EXPECT_EQ(huge.write("/nonexistent/out", Packing::Plain), 3);
    EXPECT_EQ(huge.errorText(), "/nonexistent/out: package would be 4 GiB or more");
    EXPECT_TRUE(Archive2::memberLimitError("f", 0x100000000ull));
    EXPECT_FALSE(Archive2::memberLimitError(std::string(1023, 'n'), 0xFFFFFFFFull));
}
