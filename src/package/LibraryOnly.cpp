#include "package/LibraryOnly.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/AtomicFile.h"
#include "foundation/UniqueFd.h"
#include "package/Archive.h"
#include "package/CompressedPackage.h"

namespace QTx {

bool isCompressedFile(const std::string& path)
{
    UniqueFd in(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return in && readSignature(in.get());
}

bool compressFile(const std::string& plainPath, const std::string& packedPath)
{
    UniqueFd in(open(plainPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (!in || fstat(in.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0 ||
        static_cast<std::uint64_t>(status.st_size) > Archive2::kMaxLength)
        return false;
    const auto length = static_cast<std::uint32_t>(status.st_size);
    AtomicFile out(packedPath);
    if (!out.create())
        return false;
    PackageSink packer(out, length);
    std::string readFailure;
    return copyRange(in.get(), 0, length, packer, readFailure) == CopyResult::Ok && packer.finish() && out.commit();
}

bool decompressFile(const std::string& packedPath, const std::string& plainPath)
{
    UniqueFd in(open(packedPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in || !readSignature(in.get()))
        return false;
    AtomicFile out(plainPath);
    return out.create() && unwrapPayload(in.get(), out) == Inflated::Ok && out.commit();
}

} // namespace QTx

// Part of the archive's interface; the tool itself never deletes a package.
void Archive2::remove()
{
    close();
    if (!fileName_.empty())
        unlink(fileName_.c_str());
    fileName_.clear();
}
