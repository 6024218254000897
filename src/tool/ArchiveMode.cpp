#include "tool/ArchiveMode.h"

#include <cstdio>

#include "foundation/QTx.h"
#include "package/Compression.h"
#include "tool/ArchiveCommands.h"
#include "tool/Globals.h"

int runArchiveMode()
{
    bool unwrapped = false;
    if (QTx::isCompressedFile(*inputFilename)) {
        std::string packed = *inputFilename;
        inputFilename = packed + ".decompressed";
        unwrapped = true;
        // A damaged payload leaves the copy empty, which is what the reader then meets.
        if (!QTx::decompressFile(packed, *inputFilename)) {
            report->fatal("bad header in package " + *inputFilename);
            return 1;
        }
    }
    switch (srcArchive.open(std::fopen(inputFilename->c_str(), "rb"), inputFilename->c_str())) {
    case 1:
        report->fatal("bad header in package " + *inputFilename);
        return 1;
    case 2:
        report->fatal("bad table of contents in package " + *inputFilename);
        return 1;
    default:
        break;
    }
    int status = 0;
    switch (action) {
    case kActionCreate:
    case kActionRemove:
    case kActionReplace:
        status = updateArchive();
        break;
    case kActionList:
        status = listArchive();
        break;
    case kActionExtract:
        status = extractArchive();
        break;
    default:
        break;
    }
    srcArchive.close();
    if (unwrapped)
        QTx::removeFile(*inputFilename);
    return status;
}
