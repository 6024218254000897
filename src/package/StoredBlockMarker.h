#pragma once

// Our writer ends every chunk of plain bytes but the last with an empty stored
// block: after byte alignment, LEN 0 and its complement. Those four bytes mark
// where a chunk's compressed bytes end in a stream, though they may also occur
// by chance inside compressed data.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "foundation/ByteSink.h"

inline constexpr unsigned char kEmptyStoredBlock[4] = {0x00, 0x00, 0xFF, 0xFF};

// Calls `found` with the file offset of each marker in [from, until) of `fd`, in
// order, until it returns false. False on a read error.
template <typename Found> bool findMarkers(int fd, std::uint64_t from, std::uint64_t until, Found found)
{
    std::vector<unsigned char> window(256 * 1024);
    while (from + sizeof kEmptyStoredBlock <= until) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(window.size(), until - from));
        if (!readFully(fd, window.data(), want, from))
            return false;
        for (const unsigned char* at = window.data(); at + sizeof kEmptyStoredBlock <= window.data() + want; ++at) {
            at = static_cast<const unsigned char*>(memmem(at, static_cast<std::size_t>(window.data() + want - at),
                                                          kEmptyStoredBlock, sizeof kEmptyStoredBlock));
            if (at == nullptr)
                break;
            if (!found(from + static_cast<std::uint64_t>(at - window.data())))
                return true;
        }
        // A marker may straddle two windows: the next one starts on its first byte.
        if (from + want == until)
            break;
        from += want - (sizeof kEmptyStoredBlock - 1);
    }
    return true;
}
