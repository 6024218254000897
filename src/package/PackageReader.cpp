#include "package/PackageReader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/AtomicFile.h"
#include "foundation/PrivateFile.h"
#include "package/CompressedPackage.h"
#include "package/TableReader.h"

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
void leaveDecompressedCopy(int packed, const std::string& copyName, Payload payload)
{
    AtomicFile copy(copyName);
    if (!copy.create())
        return;
    if (payload == Payload::Sound && unwrapPayload(packed, copy) != Inflated::Ok)
        return;
    copy.commit();
}

// A private file in `workDir`, or in the temporary directory when `workDir` is
// one the user cannot write (extracting into an existing tmp/, say), which is no
// reason to fail. Null with errno set, and `usedDir` naming the last one tried.
UniqueFile openUnwrapFile(const std::string& workDir, std::string& usedDir)
{
    usedDir = workDir;
    UniqueFile plain(openPrivateFile(usedDir));
    if (!plain && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        const char* fallback = std::getenv("TMPDIR");
        usedDir = fallback != nullptr && *fallback != '\0' ? fallback : "/tmp";
        plain.reset(openPrivateFile(usedDir));
    }
    return plain;
}

// Refuses members that overlap or run past the container's `length` bytes.
void checkLayout(OpenedPackage& opened, const Archive2& archive, std::uint64_t length)
{
    if (Status bad = checkMemberLayout(archive.members(), length)) {
        opened.result = PackageOpen::BadLayout;
        opened.message = "bad table of contents in package " + opened.reportedName + ": " + bad->text();
    }
}

std::uint64_t fileLength(FILE* stream)
{
    struct stat status {};
    return stream != nullptr && fstat(fileno(stream), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

// Reads the compressed package open as `packed` into `archive`.
OpenedPackage openCompressed(UniqueFd packed, const std::string& package, Archive2& archive, PackageRead read,
                             const std::string& workDir, ProgressObserver* progress)
{
    const std::string label = "unwrapping " + package;
    OpenedPackage opened{PackageOpen::Opened, package + ".decompressed", "", std::nullopt};
    const std::string& copyName = opened.reportedName;
    std::string usedDir = workDir;
    auto cannotUnwrap = [&] {
        opened.result = PackageOpen::CannotUnwrap;
        opened.message = "can't unwrap " + package + " in " + usedDir + ": " + std::strerror(errno);
        return std::move(opened);
    };

    int code = Archive2::kBadHeader;
    Inflated unwrapped;
    if (read == PackageRead::TableOfContents) {
        // The table reader takes every byte, so this is Ok or Damaged.
        TableReader table(copyName);
        unwrapped = unwrapPayload(packed.get(), table, nullptr, progress, label);
        if (unwrapped == Inflated::Ok)
            code = archive.open(table, copyName.c_str());
    } else {
        UniqueFile plain = openUnwrapFile(workDir, usedDir);
        if (!plain)
            return cannotUnwrap();
        FileSink sink(plain.get());
        OldPackage old;
        unwrapped = unwrapPayload(packed.get(), sink, &old.pieces, progress, label);
        if (unwrapped == Inflated::Ok && std::fflush(plain.get()) != 0)
            unwrapped = Inflated::WriteError;
        if (unwrapped == Inflated::WriteError)
            return cannotUnwrap();
        if (unwrapped == Inflated::Ok) {
            const std::uint64_t length = fileLength(plain.get());
            old.plain.reset(dup(fileno(plain.get())));
            code = archive.open(std::move(plain), copyName.c_str());
            if (code == Archive2::kOpened) {
                old.membersStart = Archive2::membersStart(archive.members().size());
                old.fd = std::move(packed);
                opened.old = std::move(old);
                if (read == PackageRead::Members)
                    checkLayout(opened, archive, length);
            }
        }
    }
    if (code != Archive2::kOpened) {
        opened.result = fromOpenCode(code);
        leaveDecompressedCopy(packed.get(), copyName, unwrapped == Inflated::Ok ? Payload::Sound : Payload::Damaged);
    }
    return opened;
}

} // namespace

OpenedPackage openPackage(const std::string& package, Archive2& archive, PackageRead read, const std::string& workDir,
                          ProgressObserver* progress)
{
    UniqueFd packed(open(package.c_str(), O_RDONLY | O_CLOEXEC));
    if (packed && readSignature(packed.get()))
        return openCompressed(std::move(packed), package, archive, read, workDir, progress);
    // A plain container is read in place (a missing one opens empty); the archive keeps the stream.
    UniqueFile stream(packed ? fdopen(packed.get(), "rb") : nullptr);
    if (stream)
        packed.release();
    OpenedPackage opened{fromOpenCode(archive.open(std::move(stream), package.c_str())), package, "", std::nullopt};
    if (opened.result == PackageOpen::Opened && read == PackageRead::Members)
        checkLayout(opened, archive, fileLength(archive.stream()));
    return opened;
}
