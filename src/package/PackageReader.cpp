#include "package/PackageReader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "foundation/AtomicFile.h"
#include "foundation/PrivateFile.h"
#include "package/Compression.h"

namespace {

// The one place where Archive2::open's result codes become PackageOpen.
PackageOpen fromOpenCode(int code)
{
    switch (code) {
    case Archive2::kOpened:
        return PackageOpen::Opened;
    case Archive2::kBadHeader:
        return PackageOpen::BadHeader;
    default:
        return PackageOpen::BadTableOfContents;
    }
}

enum class Payload { Sound, Damaged };

// Writes the copy left for inspection under a temporary name and renames it, as
// every output is written.
void leaveDecompressedCopy(FILE* packed, const std::string& copyName, Payload payload)
{
    AtomicFile copy(copyName);
    if (!copy.create())
        return;
    if (payload == Payload::Sound && readSignature(packed) &&
        unwrapPayload(packed, copy, &Archive2::chunkGrid) != Unwrap::Ok)
        return;
    copy.commit();
}

// A private file in `workDir`, or in the temporary directory when `workDir` is
// one the user cannot write (extracting into an existing tmp/, say), which is no
// reason to fail. Null with errno set, and `usedDir` naming the last one tried.
FILE* openUnwrapFile(const std::string& workDir, std::string& usedDir)
{
    usedDir = workDir;
    FILE* plain = openPrivateFile(usedDir);
    if (plain == nullptr && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        const char* fallback = std::getenv("TMPDIR");
        usedDir = fallback != nullptr && *fallback != '\0' ? fallback : "/tmp";
        plain = openPrivateFile(usedDir);
    }
    return plain;
}

// Reads the compressed package `packed` (positioned after its signature) into `archive`.
OpenedPackage openCompressed(FILE* packed, const std::string& package, Archive2& archive, PackageRead read,
                             const std::string& workDir)
{
    OpenedPackage opened{PackageOpen::Opened, package + ".decompressed", ""};
    const std::string& copyName = opened.reportedName;
    std::string usedDir = workDir;
    auto cannotUnwrap = [&] {
        opened.result = PackageOpen::CannotUnwrap;
        opened.message = "can't unwrap " + package + " in " + usedDir + ": " + std::strerror(errno);
        return opened;
    };

    FILE* plain = nullptr;
    TableReader table(copyName);
    Unwrap unwrapped;
    if (read == PackageRead::TableOfContents) {
        // The table reader takes every byte, so this is Ok or Damaged.
        unwrapped = unwrapPayload(packed, table);
    } else {
        plain = openUnwrapFile(workDir, usedDir);
        if (plain == nullptr)
            return cannotUnwrap();
        FileSink sink(plain);
        unwrapped = unwrapPayload(packed, sink, &Archive2::chunkGrid);
        if (unwrapped == Unwrap::Ok && std::fflush(plain) != 0)
            unwrapped = Unwrap::WriteError;
        if (unwrapped == Unwrap::WriteError) {
            OpenedPackage failed = cannotUnwrap();
            std::fclose(plain);
            return failed;
        }
    }
    int code = Archive2::kBadHeader;
    if (unwrapped == Unwrap::Ok)
        code = plain != nullptr ? archive.open(plain, copyName.c_str()) : archive.open(table, copyName.c_str());
    else if (plain != nullptr)
        std::fclose(plain);
    // Kept for a rewrite, which may take compressed chunks from it as they are.
    if (code == Archive2::kOpened && plain != nullptr)
        archive.keepPacked(packed);
    opened.result = fromOpenCode(code);
    if (opened.result != PackageOpen::Opened)
        leaveDecompressedCopy(packed, copyName, unwrapped == Unwrap::Ok ? Payload::Sound : Payload::Damaged);
    return opened;
}

} // namespace

OpenedPackage openPackage(const std::string& package, Archive2& archive, PackageRead read, const std::string& workDir)
{
    FILE* packed = std::fopen(package.c_str(), "rb");
    if (packed != nullptr && readSignature(packed)) {
        OpenedPackage opened = openCompressed(packed, package, archive, read, workDir);
        if (archive.packedStream() != packed)
            std::fclose(packed);
        return opened;
    }
    // A plain container is read in place (a missing one opens empty); the archive keeps the stream.
    return {fromOpenCode(archive.open(packed, package.c_str())), package, ""};
}
