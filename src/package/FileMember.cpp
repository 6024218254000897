#include "package/FileMember.h"

#include <fcntl.h>

#include "foundation/QTx.h"
#include "foundation/UniqueFd.h"

std::optional<struct stat> readableFileStatus(const std::string& path, SiblingOpener* siblings)
{
    struct stat status {};
    if (QTx::readableRegularFile(path, status, siblings))
        return status;
    // A device is a member too when it opens for reading, of the size its status
    // gives: 0, so nothing is read from it. It is opened without waiting for it to
    // be ready. A FIFO or socket is refused unopened: its status says nothing of
    // what it would give, and opening a FIFO to read it waits for a writer.
    SiblingOpener own;
    SiblingOpener& lookup = siblings != nullptr ? *siblings : own;
    if (lookup.stat(path, status) != 0 || !(S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)))
        return std::nullopt;
    const UniqueFd device(lookup.open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!device || fstat(device.get(), &status) != 0)
        return std::nullopt;
    return status;
}

Status addFileMember(Archive2& archive, const std::optional<struct stat>& status, const std::string& path,
                     const std::string& memberName, ReadOnlyWhen rule)
{
    if (!status)
        return Failure{"", "can't open " + path + " for reading"};
    if (auto limit = Archive2::memberLimitError(memberName, static_cast<std::uint64_t>(status->st_size)))
        return Failure{"", *limit};
    bool readOnly =
        rule == ReadOnlyWhen::OwnerReadsOnly ? (status->st_mode & 0600) == 0400 : (status->st_mode & 0200) == 0;
    archive.addMember(path.c_str(), memberName.c_str(), 0, static_cast<std::uint32_t>(status->st_size), readOnly,
                      static_cast<std::int32_t>(status->st_mtime));
    return std::nullopt;
}

Status addFileMember(Archive2& archive, const std::string& path, const std::string& memberName, ReadOnlyWhen rule,
                     SiblingOpener* siblings)
{
    return addFileMember(archive, readableFileStatus(path, siblings), path, memberName, rule);
}
