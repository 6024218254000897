#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "package/Archive.h"
#include "support/files.h"
#include "support/raw_package.h"

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// Opens `path` into `archive` and returns open's result.
int openFile(Archive2& archive, const std::string& path)
{
    return archive.open(UniqueFile(std::fopen(path.c_str(), "rb")), path.c_str());
}

} // namespace

TEST(Archive, RejectsDamagedHeadersAndTables)
{
    TempDir dir;
    const std::string valid = testsupport::buildContainer({{"a", "A"}, {"b", "B"}});
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
        {valid.substr(0, 4) + "\xFF\xFF\xFF\x7F" + valid.substr(8), 2},                  // count far beyond the file
        {valid.substr(0, 4) + std::string("\x01\0\0\0", 4) + std::string(1040, 'x'), 2}, // name without its terminator
    };
    for (const Case& c : cases) {
        writeFile(path, c.bytes);
        Archive2 archive;
        EXPECT_EQ(openFile(archive, path), c.result);
        EXPECT_EQ(archive.count(), 0);
        archive.close();
    }
}

TEST(Archive, RefusedWritesOf4GiBOrAVanishedSourceKeepTheOldFile)
{
    Archive2 huge;
    for (int i = 0; i < 2; ++i)
        huge.addMember("/nonexistent", "m", 0, 0x80000000u, false, 0);
    EXPECT_EQ(huge.write("/nonexistent/out", Packing::Plain), 3);
    EXPECT_EQ(huge.errorText(), "/nonexistent/out: package would be 4 GiB or more");
    EXPECT_TRUE(Archive2::memberLimitError("f", 0x100000000ull));
    EXPECT_FALSE(Archive2::memberLimitError(std::string(1023, 'n'), 0xFFFFFFFFull));

    // A source that vanished after its record was made: the old file stays, no temporary is left.
    TempDir dir;
    std::string out = dir.path() + "/pkg";
    writeFile(out, "old package");
    Archive2 vanished;
    vanished.addMember((dir.path() + "/gone").c_str(), "gone", 0, 1, false, 0);
    EXPECT_EQ(vanished.write(out.c_str(), Packing::Compressed), 3);
    EXPECT_EQ(vanished.errorText(), "read error on " + dir.path() + "/gone: No such file or directory");
    EXPECT_EQ(readFile(out), "old package");
    EXPECT_EQ(testsupport::listTree(dir.path()), (std::set<std::string>{"pkg"}));
}
