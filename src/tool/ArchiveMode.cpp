#include "tool/ArchiveMode.h"

#include <optional>

#include "foundation/DirectoryListing.h"
#include "foundation/PathText.h"
#include "package/PackageReader.h"
#include "tool/CommandTable.h"
#include "tool/Session.h"
#include "tool/WriterLock.h"

int runArchiveMode(Session& session)
{
    const CommandRow& command = commandRow(session.invocation.action);
    const std::string& package = *session.invocation.inputFilename;
    const std::string& output = *session.invocation.outputFilename;
    const bool rewrites = command.use == PackageUse::Rewrite || command.use == PackageUse::Replace;
    // Writers take turns; readers never wait, since a package is only ever replaced whole.
    std::optional<LockFile> lock;
    if (rewrites && !lockForWriting(lock, output, session.report))
        return 1;
    // A writer unwraps where its output will be written; extraction where it writes anyway.
    const std::string workDir = rewrites ? directoryPart(followLinks(output)) : ".";
    const PackageRead read = command.use == PackageUse::TableOfContents ? PackageRead::TableOfContents
                             : command.use == PackageUse::Replace       ? PackageRead::Pieces
                                                                        : PackageRead::Members;
    OpenedPackage opened = openPackage(package, session.srcArchive, read, workDir, session.report.progress());
    switch (opened.result) {
    case PackageOpen::CannotUnwrap:
    case PackageOpen::BadLayout:
        session.report.fatal(opened.message);
        return 1;
    case PackageOpen::BadHeader:
        session.report.fatal("bad header in package " + opened.reportedName);
        return 1;
    case PackageOpen::BadTableOfContents:
        session.report.fatal("bad table of contents in package " + opened.reportedName);
        return 1;
    case PackageOpen::Opened:
        break;
    }
    session.oldPackage = std::move(opened.old);
    const int status = command.run(session);
    session.srcArchive.close();
    return status;
}
