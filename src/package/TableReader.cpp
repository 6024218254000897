#include "package/TableReader.h"

#include <algorithm>
#include <cstring>

#include "foundation/ByteOrder.h"

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
            count_ = static_cast<std::int32_t>(loadLittle32(partial_ + 4));
            if (loadLittle32(partial_) != Archive2::kMagic || count_ < 0)
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
    members_.push_back({reinterpret_cast<const char*>(record), loadLittle32(record + Archive2::kOffsetAt),
                        loadLittle32(record + Archive2::kSizeAt), record[Archive2::kReadOnlyAt] != 0,
                        static_cast<std::int32_t>(loadLittle32(record + Archive2::kTimeAt)), source_});
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
