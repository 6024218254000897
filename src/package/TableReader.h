#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/ByteSink.h"
#include "package/Archive.h"

// Reads a container's header and table of contents from its bytes, put in order
// from the start of the file; bytes after the table are ignored. Memory grows
// with the records actually read, never with the count the header claims.
class TableReader : public ByteSink {
public:
    explicit TableReader(std::string source) : source_(std::move(source)) {}

    bool put(const unsigned char* data, std::size_t size) override;
    // How many more bytes the table needs; 0 once it is complete or known bad.
    std::uint64_t needed() const;
    // After the last byte: 0, 1 for a bad header, 2 for a bad table of contents
    // (Archive2::OpenResult).
    int result() const;
    std::vector<ArchiveChunk2>& members() { return members_; }

private:
    void takeRecord(const unsigned char* record);

    std::string source_;
    unsigned char partial_[Archive2::kRecordSize];
    std::size_t partialSize_ = 0;
    bool headerRead_ = false;
    int failure_ = 0;
    std::int64_t count_ = 0;
    std::vector<ArchiveChunk2> members_;
};
