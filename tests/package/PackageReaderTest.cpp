#include <gtest/gtest.h>

#include <string>

#include "package/PackageReader.h"
#include "support/files.h"
#include "support/raw_package.h"

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// The bytes of `member` as the archive reads them from its stream.
std::string memberBytes(const Archive2& archive, const ArchiveChunk2& member)
{
    std::string bytes;
    struct StringSink : ByteSink {
        std::string& out;
        explicit StringSink(std::string& o) : out(o) {}
        bool put(const unsigned char* data, std::size_t size) override
        {
            out.append(reinterpret_cast<const char*>(data), size);
            return true;
        }
    } sink(bytes);
    std::string why;
    EXPECT_EQ(copyRange(archive.stream(), member.offset, member.size, sink, why), CopyResult::Ok) << why;
    return bytes;
}

} // namespace

// Plain or compressed, for the table alone or for the members' bytes, a package
// reads as the same members; only the name it is reported under differs.
TEST(PackageReader, ReadsPlainAndCompressedPackagesAlike)
{
    TempDir dir;
    const std::string plain = testsupport::buildContainer({{"./a.c", "alpha", true, 7}, {"d/b.c", "", false, 9}});
    const std::string package = dir.path() + "/pkg";
    for (bool compressed : {false, true}) {
        writeFile(package, compressed ? testsupport::wrapPackage(plain) : plain);
        const std::string reported = compressed ? package + ".decompressed" : package;
        for (PackageRead read : {PackageRead::TableOfContents, PackageRead::Members}) {
            SCOPED_TRACE((compressed ? "compressed, " : "plain, ") +
                         std::string(read == PackageRead::Members ? "members" : "table"));
            Archive2 archive;
            OpenedPackage opened = openPackage(package, archive, read, dir.path());
            EXPECT_EQ(opened.result, PackageOpen::Opened);
            EXPECT_EQ(opened.reportedName, reported);
            ASSERT_EQ(archive.count(), 2);
            EXPECT_EQ(archive.members()[0].name, "./a.c");
            EXPECT_TRUE(archive.members()[0].readOnly);
            EXPECT_EQ(archive.members()[1].time, 9);
            EXPECT_EQ(archive.members()[0].source, reported);
            // Listing a compressed package never needs a file of the container.
            bool streamed = compressed && read == PackageRead::TableOfContents;
            EXPECT_EQ(archive.stream() == nullptr, streamed);
            if (!streamed) {
                EXPECT_EQ(memberBytes(archive, archive.members()[0]), "alpha");
            }
        }
        // Nothing is left beside the package when it reads well.
        EXPECT_EQ(testsupport::listTree(dir.path()), (std::set<std::string>{"pkg"}));
    }
    Archive2 none;
    EXPECT_EQ(openPackage(dir.path() + "/missing", none, PackageRead::Members, dir.path()).result, PackageOpen::Opened);
    EXPECT_EQ(none.count(), 0);
}

// A bad container inside a sound wrapper is left whole for inspection; a damaged
// wrapper leaves an empty copy, so that it never looks like a container.
TEST(PackageReader, LeavesTheDecompressedCopyOfABadPackage)
{
    TempDir dir;
    const std::string package = dir.path() + "/pkg", copy = package + ".decompressed";
    const std::string shortTable = testsupport::buildContainer({{"a", "A"}, {"b", "B"}}).substr(0, 1000);
    std::string damaged = testsupport::wrapPackage(testsupport::buildContainer({{"a", "A"}}));
    damaged[20] = static_cast<char>(damaged[20] ^ 0x55);
    struct Case {
        std::string file;
        PackageOpen result;
        std::string copy;
    } cases[] = {
        {testsupport::wrapPackage(shortTable), PackageOpen::BadTableOfContents, shortTable},
        {testsupport::wrapPackage("not a container"), PackageOpen::BadHeader, "not a container"},
        {damaged, PackageOpen::BadHeader, ""},
    };
    for (const Case& c : cases) {
        for (PackageRead read : {PackageRead::TableOfContents, PackageRead::Members}) {
            writeFile(package, c.file);
            Archive2 archive;
            OpenedPackage opened = openPackage(package, archive, read, dir.path());
            EXPECT_EQ(opened.result, c.result);
            EXPECT_EQ(opened.reportedName, copy);
            EXPECT_EQ(archive.count(), 0);
            EXPECT_EQ(readFile(copy), c.copy);
            EXPECT_EQ(readFile(package), c.file);
        }
    }
}

TEST(PackageReader, SaysWhereItCouldNotUnwrap)
{
    TempDir dir;
    const std::string package = dir.path() + "/pkg";
    writeFile(package, testsupport::wrapPackage(testsupport::buildContainer({{"a", "A"}})));
    Archive2 archive;
    OpenedPackage opened = openPackage(package, archive, PackageRead::Members, dir.path() + "/gone");
    EXPECT_EQ(opened.result, PackageOpen::CannotUnwrap);
    EXPECT_EQ(opened.message, "can't unwrap " + package + " in " + dir.path() + "/gone: No such file or directory");
}
