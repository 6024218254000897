#include "package/FileMember.h"

#include "foundation/QTx.h"

bool addFileMember(Archive2& archive, const std::string& path, const std::string& memberName, std::string& error,
                   ReadOnlyWhen rule, SiblingOpener* siblings)
{
    // Only regular files are members.
    struct stat status {};
    if (!QTx::openableRegularFile(path, status, siblings)) {
        error = "can't open " + path + " for reading";
        return false;
    }
    if (auto limit = Archive2::memberLimitError(memberName, static_cast<std::uint64_t>(status.st_size))) {
        error = *limit;
        return false;
    }
    bool readOnly =
        rule == ReadOnlyWhen::OwnerReadsOnly ? (status.st_mode & 0600) == 0400 : (status.st_mode & 0200) == 0;
    archive.addMember(path.c_str(), memberName.c_str(), 0, static_cast<std::uint32_t>(status.st_size), readOnly,
                      static_cast<std::int32_t>(status.st_mtime));
    return true;
}
