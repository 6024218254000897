#include "tool/ArchiveMode.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "foundation/AtomicFile.h"
#include "foundation/DirectoryListing.h"
#include "foundation/PathText.h"
#include "foundation/PrivateFile.h"
#include "package/Compression.h"
#include "tool/ArchiveCommands.h"
#include "tool/Globals.h"
#include "tool/WriterLock.h"

namespace {

bool changesPackage()
{
    return action == kActionCreate || action == kActionRemove || action == kActionReplace;
}

// After a bad header or table of contents the unwrapped copy stays beside the
// package for inspection: whole when the payload was sound, empty when it was
// damaged. Written under a temporary name and renamed, as every output is.
void leaveDecompressedCopy(FILE* packed, const std::string& copyName, bool payloadSound)
{
    AtomicFile copy(copyName);
    if (!copy.create())
        return;
    if (payloadSound && readSignature(packed) && unwrapPayload(packed, copy) != Unwrap::Ok)
        return;
    copy.commit();
}

// Opens a compressed package as `srcArchive`, reading the payload once and
// checking all of it before anything else happens. Listing keeps only the table
// of contents; the other commands unwrap into a private file in `workDir`, which
// is the archive's stream. Returns what Archive2::open returns, or -1 after a
// fatal error that is already reported.
int openCompressed(FILE* packed, const std::string& copyName, std::string workDir)
{
    FILE* plain = nullptr;
    TableReader table(copyName);
    Unwrap unwrapped;
    if (action == kActionList) {
        unwrapped = unwrapPayload(packed, table);
    } else {
        plain = openPrivateFile(workDir);
        // A directory the user cannot write (extracting into an existing tmp/, say) is no reason to fail.
        if (plain == nullptr && (errno == EACCES || errno == EROFS || errno == EPERM)) {
            const char* fallback = std::getenv("TMPDIR");
            workDir = fallback != nullptr && *fallback != '\0' ? fallback : "/tmp";
            plain = openPrivateFile(workDir);
        }
        if (plain == nullptr) {
            report->fatal("can't unwrap " + *outputFilename + " in " + workDir + ": " + std::strerror(errno));
            return -1;
        }
        FileSink sink(plain);
        unwrapped = unwrapPayload(packed, sink);
        if (unwrapped == Unwrap::Ok && std::fflush(plain) != 0)
            unwrapped = Unwrap::WriteError;
    }
    if (unwrapped == Unwrap::WriteError) {
        report->fatal("can't unwrap " + *outputFilename + " in " + workDir + ": " + std::strerror(errno));
        std::fclose(plain);
        return -1;
    }
    int result = Archive2::kBadHeader;
    if (unwrapped == Unwrap::Ok)
        result = plain != nullptr ? srcArchive.open(plain, copyName.c_str()) : srcArchive.open(table, copyName.c_str());
    else if (plain != nullptr)
        std::fclose(plain);
    if (result != Archive2::kOpened)
        leaveDecompressedCopy(packed, copyName, unwrapped == Unwrap::Ok);
    return result;
}

int runCommand()
{
    switch (action) {
    case kActionCreate:
    case kActionRemove:
    case kActionReplace:
        return updateArchive();
    case kActionList:
        return listArchive();
    case kActionExtract:
        return extractArchive();
    default:
        return 0;
    }
}

} // namespace

int runArchiveMode()
{
    const std::string package = *inputFilename;
    // Writers take turns; readers never wait, since a package is only ever replaced whole.
    std::optional<LockFile> lock;
    if (changesPackage() && !lockForWriting(lock, *outputFilename, *report))
        return 1;
    FILE* packed = std::fopen(package.c_str(), "rb");
    int opened;
    if (packed != nullptr && readSignature(packed)) {
        inputFilename = package + ".decompressed";
        // A writer's copy sits where its output will; extraction's where it writes anyway.
        std::string workDir = changesPackage() ? directoryPart(followLinks(*outputFilename)) : ".";
        opened = openCompressed(packed, *inputFilename, workDir);
        std::fclose(packed);
    } else {
        opened = srcArchive.open(packed, package.c_str());
    }
    switch (opened) {
    case -1:
        return 1;
    case Archive2::kBadHeader:
        report->fatal("bad header in package " + *inputFilename);
        return 1;
    case Archive2::kBadTableOfContents:
        report->fatal("bad table of contents in package " + *inputFilename);
        return 1;
    default:
        break;
    }
    int status = runCommand();
    srcArchive.close();
    return status;
}
