#include "tool/ArchiveCommands.h"

#include <cstdio>
#include <cstring>
#include <ctime>

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
        // ctime's text, without ctime's look at the time zone file for every member.
        struct tm local {};
        if (localtime_r(&time, &local) != nullptr && asctime_r(&local, stamp) != nullptr)
            stamp[std::strcspn(stamp, "\n")] = '\0';
        else
            stamp[0] = '\0';
        std::printf("%s  %8lu  %s  %s\n", member.readOnly ? "ro" : "rw", static_cast<unsigned long>(member.size), stamp,
                    toTerminal ? TerminalText::escaped(member.name).c_str() : member.name.c_str());
        total += member.size;
    }
    // The byte total is printed unsigned and wide: a package may hold up to 4 GiB.
    if (srcArchive.count() > 0)
        std::printf("%d Files, %llu Bytes\n", srcArchive.count(), total);
    return 0;
}
