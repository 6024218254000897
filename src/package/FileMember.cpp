#include "package/FileMember.h"

#include "foundation/QTx.h"

std::optional<struct stat> readableFileStatus(const std::string& path, SiblingOpener* siblings)
{
    struct stat status {};
    if (!QTx::readableRegularFile(path, status, siblings))
        return std::nullopt;
    return status;
}

bool addFileMember(Archive2& archive, const std::optional<struct stat>& status, const std::string& path,
                   const std::string& memberName, std::string& error, ReadOnlyWhen rule)
{
    // Only regular files are members.
    if (!status) {
        error = "can't open " + path + " for reading";
        return false;
    }
    if (auto limit = Archive2::memberLimitError(memberName, static_cast<std::uint64_t>(status->st_size))) {
        error = *limit;
        return false;
    }
    bool readOnly =
        rule == ReadOnlyWhen::OwnerReadsOnly ? (status->st_mode & 0600) == 0400 : (status->st_mode & 0200) == 0;
    archive.addMember(path.c_str(), memberName.c_str(), 0, static_cast<std::uint32_t>(status->st_size), readOnly,
                      static_cast<std::int32_t>(status->st_mtime));
    return true;
}

bool addFileMember(Archive2& archive, const std::string& path, const std::string& memberName, std::string& error,
                   ReadOnlyWhen rule, SiblingOpener* siblings)
{
    return addFileMember(archive, readableFileStatus(path, siblings), path, memberName, error, rule);
}
