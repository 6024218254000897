#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "package/PackageReader.h"
#include "support/files.h"
#include "support/raw_package.h"

using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// The bytes of `member` as read from the archive's stream.
std::string memberBytes(const Archive2& archive, const ArchiveChunk2& member)
{
    std::string bytes(member.size, '\0');
    if (fseeko(archive.stream(), member.offset, SEEK_SET) != 0 ||
        std::fread(bytes.data(), 1, bytes.size(), archive.stream()) != bytes.size())
        return "(unreadable)";
    return bytes;
}

} // namespace

// Plain or compressed, for the table alone or for the members' bytes, a package
// reads as the same members; only the name it is reported under differs. (Bad
// packages and the copy they leave are covered end to end, listing and rewriting.)
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
