#pragma once

// The compressed chunks of the package being rewritten. Our writer compresses
// the chunks of its grid on their own, so where the new container holds the same
// plain bytes as an old chunk (the members before the first change), the old
// chunk can be taken as it is instead of being compressed again; for a package
// our writer made, it is the very same bytes compressing would give. A chunk is
// taken only once plain zlib has shown that it decodes on its own, without the
// history before it and without a final block, to exactly the new plain bytes
// and ends on a byte boundary between two blocks: whatever the old file holds,
// the new stream stays valid.

#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "package/ChunkGrid.h"
#include "package/PackedBytes.h"

class ReusableChunks {
public:
    // The old stream's raw deflate blocks run from `from` to `end` in the file
    // open as `fd`, which must stay open while chunks are taken; its chunks lie on
    // `grid`. The plain bytes from `movedTo` on in the new stream stood from
    // `movedFrom` on in the old one; those before stood where they are.
    ReusableChunks(int fd, std::uint64_t from, std::uint64_t end, ChunkGrid grid, std::uint64_t movedFrom = 0,
                   std::uint64_t movedTo = 0)
        : fd_(fd), from_(from), end_(end), grid_(grid), movedFrom_(movedFrom), movedTo_(movedTo), scanned_(from)
    {
    }

    // True when the old chunk that held the new chunk starting at plain offset
    // `start` decodes to exactly its `size` bytes at `plain`; `packed` then holds
    // the old chunk's compressed bytes. Safe to call from several threads at once.
    bool take(std::uint64_t start, const unsigned char* plain, std::size_t size, PackedBytes& packed);

private:
    // Where chunk `index` starts and ends in the file, if its end was found.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> range(std::uint64_t index);

    const int fd_;
    const std::uint64_t from_, end_;
    const ChunkGrid grid_;
    const std::uint64_t movedFrom_, movedTo_;
    std::mutex mutex_;
    std::vector<std::uint64_t> ends_; // just past each marker found so far
    std::uint64_t scanned_;           // every marker before this offset is in ends_
};
