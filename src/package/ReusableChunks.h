#pragma once

// The compressed chunks of the package being rewritten. Our writer compresses
// every 2 MiB of plain bytes on its own, so where the new container holds the
// same plain bytes at the same place (everything before the first change, when
// the member count stays the same), the old chunk can be taken as it is instead
// of being compressed again; for a package our writer made, it is the very same
// bytes compressing would give. A chunk is taken only once plain zlib has shown
// that it decodes on its own, without the history before it and without a final
// block, to exactly the new plain bytes and ends on a byte boundary between two
// blocks: whatever the old file holds, the new stream stays valid.

#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

class ReusableChunks {
public:
    // The old stream's raw deflate blocks run from `from` to `end` in the file
    // open as `fd`, which must stay open while chunks are taken.
    ReusableChunks(int fd, std::uint64_t from, std::uint64_t end) : fd_(fd), from_(from), end_(end), scanned_(from) {}

    // True when the old stream's chunk `index` decodes to exactly the `size`
    // bytes at `plain`; `packed` then holds its compressed bytes. Safe to call
    // from several threads at once.
    bool take(std::size_t index, const unsigned char* plain, std::size_t size, std::vector<unsigned char>& packed);

private:
    // Where chunk `index` starts and ends in the file, if its end was found.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> range(std::size_t index);

    const int fd_;
    const std::uint64_t from_, end_;
    std::mutex mutex_;
    std::vector<std::uint64_t> ends_; // just past each marker found so far
    std::uint64_t scanned_;           // every marker before this offset is in ends_
};
