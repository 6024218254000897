#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/ByteSink.h"
#include "foundation/Failure.h"
#include "foundation/ProgressObserver.h"
#include "foundation/UniqueFile.h"

// The package container. All integers are 32-bit little-endian; offsets are
// absolute from the start of the file.
//
//   header, 8 bytes:   magic C8 C3 52 41 | member count (signed, >= 0)
//   table of contents: one 1040-byte record per member, in member order:
//       0     1024  name, NUL-terminated and NUL-padded (at most 1023 bytes)
//       1024  4     data offset
//       1028  4     size in bytes (unsigned)
//       1032  1     read-only: 1 or 0
//       1033  3     reserved, written as zeros
//       1036  4     modification time, seconds since 1970-01-01 UTC (signed)
//   member data:       each member's bytes in table order, no gaps, no trailer.
//
// A written container is therefore at most 0xFFFFFFFF bytes long, which also
// keeps every data offset within 32 bits.

struct OldPackage;
class TableReader;

// One member record. An empty name marks a member deleted in memory.
struct ArchiveChunk2 {
    std::string name;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    bool readOnly = false;
    std::int32_t time = 0;
    std::string source;           // the file that holds the bytes at `offset`, named in messages
    FILE* sourceStream = nullptr; // when set, an open stream holding those bytes, read instead of `source`
};

// How `Archive2::write` stores the container on disk.
enum class Packing { Plain, Compressed };

class Archive2 {
public:
    static constexpr std::uint32_t kMagic = 0x4152C3C8;
    static constexpr std::uint64_t kHeaderSize = 8;
    static constexpr std::uint64_t kRecordSize = 1040;
    static constexpr std::size_t kNameSize = 1024;
    static constexpr std::uint64_t kMaxLength = 0xFFFFFFFF;
    // Where the fields after the name sit in a record.
    static constexpr std::size_t kOffsetAt = 1024, kSizeAt = 1028, kReadOnlyAt = 1032, kTimeAt = 1036;

    // What open() returns.
    enum OpenResult : int { kOpened = 0, kBadHeader = 1, kBadTableOfContents = 2 };

    Archive2() = default;
    Archive2(const Archive2&) = delete;
    Archive2& operator=(const Archive2&) = delete;

    // Reads the header and table of contents from `stream` (opened "rb"), which the
    // archive keeps and closes. Returns 0 on success (also for a null stream: no members), 1
    // for a bad header (short, wrong magic, negative count), 2 for a bad table of
    // contents (fewer records than the count, or a name without its NUL).
    int open(UniqueFile stream, const char* name);
    // The same for a table read elsewhere (from an inflating stream, say): the
    // archive has its members but no stream.
    int open(TableReader& table, const char* name);

    // The first member named exactly `name`, or null.
    ArchiveChunk2* findMember(const char* name);

    void addMember(const char* source, const char* name, std::uint32_t offset, std::uint32_t size, bool readOnly,
                   std::int32_t time);
    // Makes every member's time later than `latest` (seconds since 1970) `latest`;
    // earlier times stay. For packages that come out the same wherever they are made.
    void capTimes(std::int64_t latest)
    {
        for (ArchiveChunk2& member : members_)
            if (member.time > latest)
                member.time = static_cast<std::int32_t>(latest);
    }

    // Writes the whole container to `name` (see PackageWriter.h), compressed or
    // plain. The file is replaced only when everything succeeded. Returns 0, or 3
    // with the reason in errorText(). `progress`, when given, is told of every
    // member and every block of member bytes written; `old`, when given, is the
    // compressed package being rewritten, whose pieces are taken where the plain
    // bytes are unchanged.
    int write(const char* name, Packing packing, ProgressObserver* progress = nullptr, const OldPackage* old = nullptr);

    void close() { stream_.reset(); }
    // Closes the stream and deletes the file last opened or written (LibraryOnly.cpp:
    // the tool itself never deletes a package).
    void remove();

    // When a file of `size` bytes cannot be a member named `name`, the error text
    // that says why, naming the member.
    static std::optional<std::string> memberLimitError(const std::string& name, std::uint64_t size);

    std::vector<ArchiveChunk2>& members() { return members_; }
    const std::vector<ArchiveChunk2>& members() const { return members_; }
    int count() const { return static_cast<int>(members_.size()); }
    const std::string& fileName() const { return fileName_; }
    FILE* stream() const { return stream_.get(); }
    const std::string& errorText() const { return errorText_; }
    // Where the members' bytes start in a container of `count` members.
    static std::uint64_t membersStart(std::size_t count) { return kHeaderSize + kRecordSize * count; }

private:
    std::vector<ArchiveChunk2> members_;
    std::string fileName_;
    UniqueFile stream_;
    std::string errorText_; // grows to hold any path whole
};

// Writes the container of `members` to `out`: the header, the records with the
// data offsets their bytes get now, then every member's bytes, copied from its
// source stream or else its source file. A member's source that cannot be read
// whole is a Failure naming that source; when `out` refuses bytes, the Failure
// names nothing (its subject is empty) and the caller names its own output.
Status writeContainer(const std::vector<ArchiveChunk2>& members, ByteSink& out, ProgressObserver* progress);

// The length of the container of `members`.
std::uint64_t containerLength(const std::vector<ArchiveChunk2>& members);

// Why `members` cannot be written as one container: a name or size a record
// cannot hold, or a container of 4 GiB or more; the text names the member or `name`.
std::optional<std::string> containerLimitError(const std::vector<ArchiveChunk2>& members, const std::string& name);

// Whether the members of a container of `length` bytes lie apart and inside it,
// as every writer lays them out; the Failure names the member and says what is
// wrong. A table whose members overlap could make extraction write far more than
// the package holds.
Status checkMemberLayout(const std::vector<ArchiveChunk2>& members, std::uint64_t length);
