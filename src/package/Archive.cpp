#include "package/Archive.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/AtomicFile.h"
#include "foundation/SiblingOpener.h"
#include "package/Compression.h"

namespace {

void putLE32(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t getLE32(const unsigned char* at)
{
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// Reads member bytes from their sources, keeping the last source open: carried-over
// members all come from one package, read front to back; new members come in tree
// order, so their directory is kept open too.
class SourceReader {
public:
    ~SourceReader()
    {
        if (fd_ >= 0)
            close(fd_);
    }

    // Copies the member's bytes to `out`; on failure `error` names the file and reason.
    // A source that cannot be opened is a read error: the package is never written without it.
    CopyResult copy(const ArchiveChunk2& member, ByteSink& out, std::string& error)
    {
        const int in = member.sourceStream != nullptr ? fileno(member.sourceStream) : open(member.source);
        std::string reason = in < 0 ? std::strerror(errno) : "";
        CopyResult result = in < 0 ? CopyResult::ReadError : copyRange(in, member.offset, member.size, out, reason);
        if (result == CopyResult::ReadError)
            error = "read error on " + member.source + ": " + reason;
        return result;
    }

private:
    int open(const std::string& path)
    {
        if (fd_ < 0 || path_ != path) {
            if (fd_ >= 0)
                close(fd_);
            path_ = path;
            fd_ = siblings_.open(path_, O_RDONLY | O_CLOEXEC);
        }
        return fd_;
    }

    SiblingOpener siblings_;
    std::string path_;
    int fd_ = -1;
};

} // namespace

bool TableReader::put(const unsigned char* data, std::size_t size)
{
    while (size > 0 && needed() > 0) {
        std::size_t want = headerRead_ ? Archive2::kRecordSize : Archive2::kHeaderSize;
        std::size_t take = std::min(size, want - partialSize_);
        std::memcpy(partial_ + partialSize_, data, take);
        partialSize_ += take;
        data += take;
        size -= take;
        if (partialSize_ < want)
            break;
        partialSize_ = 0;
        if (!headerRead_) {
            headerRead_ = true;
            count_ = static_cast<std::int32_t>(getLE32(partial_ + 4));
            if (getLE32(partial_) != Archive2::kMagic || count_ < 0)
                failure_ = Archive2::kBadHeader;
        } else {
            takeRecord(partial_);
        }
    }
    return true;
}

void TableReader::takeRecord(const unsigned char* record)
{
    // A name that fills its whole field has lost its terminator: the table is damaged.
    if (std::memchr(record, '\0', Archive2::kNameSize) == nullptr) {
        failure_ = Archive2::kBadTableOfContents;
        return;
    }
    members_.push_back({reinterpret_cast<const char*>(record), getLE32(record + Archive2::kOffsetAt),
                        getLE32(record + Archive2::kSizeAt), record[Archive2::kReadOnlyAt] != 0,
                        static_cast<std::int32_t>(getLE32(record + Archive2::kTimeAt)), source_});
}

std::uint64_t TableReader::needed() const
{
    if (failure_ != 0)
        return 0;
    if (!headerRead_)
        return Archive2::kHeaderSize - partialSize_;
    std::uint64_t records = static_cast<std::uint64_t>(count_) - members_.size();
    return records == 0 ? 0 : records * Archive2::kRecordSize - partialSize_;
}

int TableReader::result() const
{
    if (failure_ != 0)
        return failure_;
    if (!headerRead_)
        return Archive2::kBadHeader;
    return needed() == 0 ? Archive2::kOpened : Archive2::kBadTableOfContents;
}

int Archive2::open(FILE* stream, const char* name)
{
    fileName_ = name;
    members_.clear();
    stream_ = stream;
    if (stream == nullptr)
        return kOpened;
    if (fseeko(stream, 0, SEEK_SET) != 0)
        return kBadHeader;
    TableReader table(name);
    unsigned char buffer[64 * 1024];
    while (std::uint64_t want = table.needed()) {
        std::size_t got = std::fread(buffer, 1, std::min<std::uint64_t>(want, sizeof buffer), stream);
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

std::uint64_t Archive2::plainLength() const
{
    std::uint64_t length = membersStart(members_.size());
    for (const ArchiveChunk2& member : members_)
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

ChunkGrid Archive2::chunkGrid(const unsigned char* header)
{
    const std::int32_t count = static_cast<std::int32_t>(getLE32(header + 4));
    return ChunkGrid::through(membersStart(count < 0 ? 0 : static_cast<std::size_t>(count)));
}

int Archive2::write(const char* name, Packing packing, ProgressObserver* progress, const Archive2* previous)
{
    fileName_ = name;
    std::uint64_t length = plainLength();
    if (length > kMaxLength) {
        errorText_ = fileName_ + ": package would be 4 GiB or more";
        return 3;
    }
    for (const ArchiveChunk2& member : members_) {
        if (std::optional<std::string> error = memberLimitError(member.name, member.size)) {
            errorText_ = *error;
            return 3;
        }
    }

    AtomicFile file(fileName_);
    // An output that cannot be created is a failure like any other: 3, with the reason.
    if (!file.create()) {
        errorText_ = file.error();
        return 3;
    }
    const std::uint64_t dataStart = membersStart(members_.size());
    const std::uint64_t previousStart = previous != nullptr ? membersStart(previous->members_.size()) : 0;
    std::optional<ReusableChunks> reusable = payloadChunks(previous != nullptr ? previous->packed_ : nullptr,
                                                           ChunkGrid::through(previousStart), previousStart, dataStart);
    PackageSink packer(file, static_cast<std::uint32_t>(length), ChunkGrid::through(dataStart),
                       reusable ? &*reusable : nullptr);
    ByteSink& out = packing == Packing::Compressed ? static_cast<ByteSink&>(packer) : file;
    auto writeFailed = [&] {
        errorText_ = file.error();
        return 3;
    };

    unsigned char header[kHeaderSize];
    putLE32(header, kMagic);
    putLE32(header + 4, static_cast<std::uint32_t>(members_.size()));
    if (!out.put(header, sizeof header))
        return writeFailed();
    std::uint64_t offset = dataStart;
    for (const ArchiveChunk2& member : members_) {
        unsigned char record[kRecordSize] = {};
        std::memcpy(record, member.name.data(), member.name.size());
        putLE32(record + kOffsetAt, static_cast<std::uint32_t>(offset));
        putLE32(record + kSizeAt, member.size);
        record[kReadOnlyAt] = member.readOnly ? 1 : 0;
        putLE32(record + kTimeAt, static_cast<std::uint32_t>(member.time));
        if (!out.put(record, sizeof record))
            return writeFailed();
        offset += member.size;
    }

    SourceReader sources;
    ProgressScope shown(progress, members_.size(), length - dataStart);
    ProgressSink counted(out, progress);
    for (const ArchiveChunk2& member : members_) {
        CopyResult result = sources.copy(member, counted, errorText_);
        if (result == CopyResult::ReadError)
            return 3;
        if (result == CopyResult::WriteError)
            return writeFailed();
        if (progress != nullptr)
            progress->memberDone();
    }
    if (packing == Packing::Compressed && !packer.finish())
        return writeFailed();
    if (!file.commit())
        return writeFailed();
    return 0;
}

void Archive2::close()
{
    for (FILE** stream : {&stream_, &packed_}) {
        if (*stream != nullptr) {
            std::fclose(*stream);
            *stream = nullptr;
        }
    }
}

void Archive2::remove()
{
    close();
    if (!fileName_.empty())
        unlink(fileName_.c_str());
    fileName_.clear();
}
