#include "tool/ArchiveCommands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "foundation/ConfinedDirectory.h"
#include "foundation/QTx.h"
#include "foundation/TerminalText.h"
#include "package/FileMember.h"
#include "tool/Session.h"
#include "tool/SourceDateEpoch.h"

namespace {

// Records `path` as a new member of dstArchive; false after an error.
bool addNamedFile(Session& session, const std::string& path, SiblingOpener& siblings)
{
    if (Status added = addFileMember(session.dstArchive, path, path, ReadOnlyWhen::OwnerReadsOnly, &siblings)) {
        session.report.error(added->text());
        return false;
    }
    if (session.invocation.verbose)
        std::printf("adding %s\n", TerminalText::forStream(path, stdout).c_str());
    return true;
}

} // namespace

int updateArchive(Session& session)
{
    const Command action = session.invocation.action;
    Archive2& srcArchive = session.srcArchive;
    Archive2& dstArchive = session.dstArchive;
    // A strict run changes no package once anything went wrong, as a file that cannot be read does.
    bool failed = session.report.strict() && session.report.errorCount() > 0;
    if (action == Command::Remove || action == Command::Replace) {
        for (const std::string& path : session.invocation.fileNames) {
            if (ArchiveChunk2* member = srcArchive.findMember(path.c_str())) {
                member->name.clear();
            } else if (action == Command::Remove) {
                session.report.warning(path + " not in archive.");
                failed = true;
            }
        }
    }
    if (action != Command::Create) {
        for (const ArchiveChunk2& member : srcArchive.members()) {
            if (member.name.empty())
                continue;
            dstArchive.addMember(srcArchive.fileName().c_str(), member.name.c_str(), member.offset, member.size,
                                 member.readOnly, member.time);
            // Read from the stream opened at the start, never from a file another process could change.
            dstArchive.members().back().sourceStream = srcArchive.stream();
        }
    }
    if (action != Command::Remove) {
        // The files of a directory argument come one directory after another.
        SiblingOpener siblings;
        for (const std::string& path : session.invocation.fileNames)
            failed = !addNamedFile(session, path, siblings) || failed;
    }
    if (failed) {
        dstArchive.members().clear();
        return 0;
    }
    // Carried members too: whatever a package held, none of its times is later.
    if (const std::optional<std::int64_t> latest = sourceDateEpoch(session.report))
        dstArchive.capTimes(*latest);
    // Written beside the package and renamed over it, so a failure leaves the old package whole.
    int result = dstArchive.write(session.invocation.outputFilename->c_str(), Packing::Compressed,
                                  session.report.progress(), session.oldPackage ? &*session.oldPackage : nullptr);
    dstArchive.close();
    if (result != 0) {
        session.report.fatal(dstArchive.errorText());
        return 1;
    }
    return 0;
}

int listArchive(Session& session)
{
    const Archive2& srcArchive = session.srcArchive;
    unsigned long long total = 0;
    const bool toTerminal = TerminalText::isTerminal(stdout);
    for (const ArchiveChunk2& member : srcArchive.members()) {
        time_t time = member.time;
        char stamp[64] = "";
        if (const char* text = std::ctime(&time)) {
            std::snprintf(stamp, sizeof stamp, "%s", text);
            stamp[std::strcspn(stamp, "\n")] = '\0';
        }
        std::printf("%s  %8lu  %s  %s\n", member.readOnly ? "ro" : "rw", static_cast<unsigned long>(member.size), stamp,
                    toTerminal ? TerminalText::escaped(member.name).c_str() : member.name.c_str());
        total += member.size;
    }
    // The byte total is printed unsigned and wide: a package may hold up to 4 GiB.
    if (srcArchive.count() > 0)
        std::printf("%d Files, %llu Bytes\n", srcArchive.count(), total);
    return 0;
}

int extractArchive(Session& session)
{
    const Archive2& srcArchive = session.srcArchive;
    const std::string& package = srcArchive.fileName();
    ConfinedDirectory tmp("tmp");
    ProgressObserver* progress = session.report.progress();
    std::uint64_t bytes = 0;
    for (const ArchiveChunk2& member : srcArchive.members())
        bytes += member.size;
    ProgressScope shown(progress, srcArchive.members().size(), bytes);
    for (const ArchiveChunk2& member : srcArchive.members()) {
        std::string target = "tmp/" + member.name;
        int fd = -1;
        // Written beside its place and renamed into it: an interrupt leaves the old file or the whole member.
        PendingFile pending;
        ConfinedDirectory::Result created = tmp.createFile(member.name, fd, pending);
        if (created == ConfinedDirectory::Result::Outside) {
            session.report.error("refusing to extract " + member.name + ": it leads outside tmp/");
            continue;
        }
        if (created == ConfinedDirectory::Result::Failed) {
            session.report.error("can't open " + target + " for writing");
            break;
        }
        std::string readFailure;
        CopyResult copied = CopyResult::Ok;
        auto fill = [&](ByteSink& file) {
            ProgressSink out(file, progress);
            copied = copyRange(srcArchive.stream(), member.offset, member.size, out, readFailure);
            return copied == CopyResult::Ok;
        };
        if (QTx::fillFile(fd, fill, member.readOnly, member.time)) {
            // A place that cannot take the member is a file that cannot be created, as above.
            if (!pending.commit()) {
                session.report.error("can't open " + target + " for writing");
                break;
            }
            if (progress != nullptr)
                progress->memberDone();
            continue;
        }
        int writeErrno = errno;
        pending.discard();
        if (copied == CopyResult::ReadError)
            session.report.fatal("read error on " + package + ": " + readFailure);
        else
            session.report.fatal("write error on " + target + ": " + std::strerror(writeErrno));
        return 1;
    }
    return 0;
}
