#include "package/Archive.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/AtomicFile.h"
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
// members all come from one package, read front to back.
class SourceReader {
public:
    ~SourceReader()
    {
        if (stream_ != nullptr)
            std::fclose(stream_);
    }

    // Copies the member's bytes to `out`; on failure `error` names the file and reason.
    // A source that cannot be opened is a read error: the package is never written without it.
    CopyResult copy(const ArchiveChunk2& member, ByteSink& out, std::string& error)
    {
        if (stream_ == nullptr || path_ != member.source) {
            if (stream_ != nullptr)
                std::fclose(stream_);
            path_ = member.source;
            stream_ = std::fopen(path_.c_str(), "rb");
        }
        std::string reason = stream_ == nullptr ? std::strerror(errno) : "";
        CopyResult result =
            stream_ == nullptr ? CopyResult::ReadError : copyRange(stream_, member.offset, member.size, out, reason);
        if (result == CopyResult::ReadError)
            error = "read error on " + member.source + ": " + reason;
        return result;
    }

private:
    std::string path_;
    FILE* stream_ = nullptr;
};

} // namespace

int Archive2::open(FILE* stream, const char* name)
{
    fileName_ = name;
    members_.clear();
    stream_ = stream;
    if (stream == nullptr)
        return 0;

    unsigned char header[kHeaderSize];
    if (fseeko(stream, 0, SEEK_SET) != 0 || std::fread(header, 1, sizeof header, stream) != sizeof header ||
        getLE32(header) != kMagic)
        return 1;
    std::int32_t count = static_cast<std::int32_t>(getLE32(header + 4));
    if (count < 0)
        return 1;
    // A count that the file cannot hold is refused before anything is read or allocated.
    struct stat status {};
    if (fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode) &&
        kHeaderSize + kRecordSize * static_cast<std::uint64_t>(count) > static_cast<std::uint64_t>(status.st_size))
        return 2;

    unsigned char record[kRecordSize];
    for (std::int32_t i = 0; i < count; ++i) {
        if (std::fread(record, 1, sizeof record, stream) != sizeof record)
            return 2;
        // A name that fills its whole field has lost its terminator: the table is damaged.
        if (std::memchr(record, '\0', kNameSize) == nullptr)
            return 2;
        addMember(name, reinterpret_cast<const char*>(record), getLE32(record + 1024), getLE32(record + 1028),
                  record[1032] != 0, static_cast<std::int32_t>(getLE32(record + 1036)));
    }
    return 0;
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
    std::uint64_t length = kHeaderSize + kRecordSize * members_.size();
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

int Archive2::write(const char* name, Packing packing)
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
    PackageSink packer(file, static_cast<std::uint32_t>(length));
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
    std::uint64_t offset = kHeaderSize + kRecordSize * members_.size();
    for (const ArchiveChunk2& member : members_) {
        unsigned char record[kRecordSize] = {};
        std::memcpy(record, member.name.data(), member.name.size());
        putLE32(record + 1024, static_cast<std::uint32_t>(offset));
        putLE32(record + 1028, member.size);
        record[1032] = member.readOnly ? 1 : 0;
        putLE32(record + 1036, static_cast<std::uint32_t>(member.time));
        if (!out.put(record, sizeof record))
            return writeFailed();
        offset += member.size;
    }

    SourceReader sources;
    for (const ArchiveChunk2& member : members_) {
        CopyResult result = sources.copy(member, out, errorText_);
        if (result == CopyResult::ReadError)
            return 3;
        if (result == CopyResult::WriteError)
            return writeFailed();
    }
    if (packing == Packing::Compressed && !packer.finish())
        return writeFailed();
    if (!file.commit())
        return writeFailed();
    return 0;
}

void Archive2::close()
{
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
}

void Archive2::remove()
{
    close();
    if (!fileName_.empty())
        unlink(fileName_.c_str());
    fileName_.clear();
}
