#include "package/PackageWriter.h"

#include <optional>

#include "foundation/AtomicFile.h"
#include "package/CompressedPackage.h"
#include "package/OldPackage.h"
#include "package/ReusablePieces.h"

std::optional<std::string> writePackage(const std::vector<ArchiveChunk2>& members, const std::string& name,
                                        Packing packing, ProgressObserver* progress, const OldPackage* old)
{
    if (std::optional<std::string> error = containerLimitError(members, name))
        return error;
    AtomicFile file(name);
    if (!file.create())
        return file.error();

    Status written;
    if (packing == Packing::Plain) {
        written = writeContainer(members, file, progress);
    } else {
        // The pieces lie on the grid of the members' bytes, in the old package as
        // in the new one; those bytes moved by the change in the table's size.
        const std::uint64_t membersStart = Archive2::membersStart(members.size());
        std::optional<ReusablePieces> reuse;
        if (old != nullptr)
            reuse.emplace(old->fd.get(), old->plain.get(), old->pieces, old->membersStart, membersStart);
        PackageSink packed(file, static_cast<std::uint32_t>(containerLength(members)), PieceGrid::through(membersStart),
                           reuse ? &*reuse : nullptr);
        written = writeContainer(members, packed, progress);
        if (!written && !packed.finish())
            written = Failure::fromErrno("");
    }
    if (written)
        return written->subject.empty() ? file.error() : "read error on " + written->text();
    if (!file.commit())
        return file.error();
    return std::nullopt;
}
