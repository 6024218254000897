#include "package/Archive.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "foundation/ByteOrder.h"
#include "foundation/SiblingOpener.h"
#include "foundation/UniqueFd.h"
#include "package/PackageWriter.h"
#include "package/TableReader.h"

namespace {

// Reads member bytes from their sources, keeping the last source open: carried-over
// members all come from one package, read front to back; new members come in tree
// order, so their directory is kept open too.
class SourceReader {
public:
    // Copies the member's bytes to `out`. A source that cannot be opened is a read
    // error: the package is never written without it.
    Status copy(const ArchiveChunk2& member, ByteSink& out)
    {
        const int in = member.sourceStream != nullptr ? fileno(member.sourceStream) : open(member.source);
        if (in < 0)
            return Failure::fromErrno(member.source);
        std::string reason;
        switch (copyRange(in, member.offset, member.size, out, reason)) {
        case CopyResult::Ok:
            return std::nullopt;
        case CopyResult::ReadError:
            return Failure{member.source, reason};
        case CopyResult::WriteError:
            break;
        }
        return Failure::fromErrno("");
    }

private:
    int open(const std::string& path)
    {
        if (!fd_ || path_ != path) {
            path_ = path;
            fd_.reset(siblings_.open(path_, O_RDONLY | O_CLOEXEC));
        }
        return fd_.get();
    }

    SiblingOpener siblings_;
    std::string path_;
    UniqueFd fd_;
};

} // namespace

int Archive2::open(UniqueFile stream, const char* name)
{
    fileName_ = name;
    members_.clear();
    stream_ = std::move(stream);
    if (!stream_)
        return kOpened;
    if (fseeko(stream_.get(), 0, SEEK_SET) != 0)
        return kBadHeader;
    TableReader table(name);
    unsigned char buffer[64 * 1024];
    while (std::uint64_t want = table.needed()) {
        std::size_t got = std::fread(buffer, 1, std::min<std::uint64_t>(want, sizeof buffer), stream_.get());
        if (got == 0)
            break;
        table.put(buffer, got);
    }
    return open(table, name);
}

int Archive2::open(TableReader& table, const char* name)
{
    fileName_ = name;
    int result = table.result();
    // A damaged table yields no members at all.
    members_.clear();
    if (result == kOpened)
        members_ = std::move(table.members());
    return result;
}

ArchiveChunk2* Archive2::findMember(const char* name)
{
    for (ArchiveChunk2& member : members_)
        if (member.name == name)
            return &member;
    return nullptr;
}

void Archive2::addMember(const char* source, const char* name, std::uint32_t offset, std::uint32_t size, bool readOnly,
                         std::int32_t time)
{
    members_.push_back({std::string(name, strnlen(name, kNameSize)), offset, size, readOnly, time, source});
}

std::uint64_t containerLength(const std::vector<ArchiveChunk2>& members)
{
    std::uint64_t length = Archive2::membersStart(members.size());
    for (const ArchiveChunk2& member : members)
        length += member.size;
    return length;
}

// Names that do not fit the 1024-byte field are refused, never cut short.
std::optional<std::string> Archive2::memberLimitError(const std::string& name, std::uint64_t size)
{
    if (name.size() >= kNameSize)
        return name + ": name too long for a package member";
    if (size > kMaxLength)
        return name + ": too large for a package member";
    return std::nullopt;
}

int Archive2::write(const char* name, Packing packing, ProgressObserver* progress, const OldPackage* old)
{
    fileName_ = name;
    // An output that cannot be created is a failure like any other: 3, with the reason.
    if (std::optional<std::string> error = writePackage(members_, fileName_, packing, progress, old)) {
        errorText_ = *error;
        return 3;
    }
    return 0;
}

std::optional<std::string> containerLimitError(const std::vector<ArchiveChunk2>& members, const std::string& name)
{
    for (const ArchiveChunk2& member : members)
        if (std::optional<std::string> error = Archive2::memberLimitError(member.name, member.size))
            return error;
    if (containerLength(members) > Archive2::kMaxLength)
        return name + ": package would be 4 GiB or more";
    return std::nullopt;
}

Status writeContainer(const std::vector<ArchiveChunk2>& members, ByteSink& out, ProgressObserver* progress)
{
    unsigned char header[Archive2::kHeaderSize];
    storeLittle32(header, Archive2::kMagic);
    storeLittle32(header + 4, static_cast<std::uint32_t>(members.size()));
    if (!out.put(header, sizeof header))
        return Failure::fromErrno("");
    const std::uint64_t dataStart = Archive2::membersStart(members.size());
    std::uint64_t offset = dataStart;
    for (const ArchiveChunk2& member : members) {
        unsigned char record[Archive2::kRecordSize] = {};
        std::memcpy(record, member.name.data(), member.name.size());
        storeLittle32(record + Archive2::kOffsetAt, static_cast<std::uint32_t>(offset));
        storeLittle32(record + Archive2::kSizeAt, member.size);
        record[Archive2::kReadOnlyAt] = member.readOnly ? 1 : 0;
        storeLittle32(record + Archive2::kTimeAt, static_cast<std::uint32_t>(member.time));
        if (!out.put(record, sizeof record))
            return Failure::fromErrno("");
        offset += member.size;
    }

    SourceReader sources;
    ProgressScope shown(progress, members.size(), offset - dataStart);
    ProgressSink counted(out, progress);
    for (const ArchiveChunk2& member : members) {
        if (Status copied = sources.copy(member, counted))
            return copied;
        if (progress != nullptr)
            progress->memberDone();
    }
    return std::nullopt;
}

Status checkMemberLayout(const std::vector<ArchiveChunk2>& members, std::uint64_t length)
{
    std::vector<const ArchiveChunk2*> placed;
    for (const ArchiveChunk2& member : members) {
        if (member.size == 0)
            continue;
        if (std::uint64_t{member.offset} + member.size > length)
            return Failure{member.name, "its bytes run past the end of the package"};
        placed.push_back(&member);
    }
    std::sort(placed.begin(), placed.end(),
              [](const ArchiveChunk2* a, const ArchiveChunk2* b) { return a->offset < b->offset; });
    for (std::size_t i = 1; i < placed.size(); ++i)
        if (placed[i]->offset < std::uint64_t{placed[i - 1]->offset} + placed[i - 1]->size)
            return Failure{placed[i]->name, "its bytes overlap those of " + placed[i - 1]->name};
    return std::nullopt;
}
