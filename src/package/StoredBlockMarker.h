#pragma once

// Our writer ends every chunk of plain bytes but the last with an empty stored
// block: after byte alignment, LEN 0 and its complement. Those four bytes mark
// where a chunk's compressed bytes end in a stream, though they may also occur
// by chance inside compressed data. Most often, in incompressible data, they are
// a zero byte that ends one full stored block, the next one's zero header byte
// and its LEN of 0xFFFF, followed by its NLEN 00 00: four bytes followed by two
// zeros are therefore never taken for a marker.

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
    // The marker and the two bytes that would make it a stored block's length.
    constexpr std::size_t kSpan = sizeof kEmptyStoredBlock + 2;
    std::vector<unsigned char> window(256 * 1024);
    while (from + sizeof kEmptyStoredBlock <= until) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(window.size(), until - from));
        if (!readFully(fd, window.data(), want, from))
            return false;
        const bool last = from + want == until;
        const unsigned char* end = window.data() + want;
        for (const unsigned char* at = window.data(); at + sizeof kEmptyStoredBlock <= end; ++at) {
            at = static_cast<const unsigned char*>(
                memmem(at, static_cast<std::size_t>(end - at), kEmptyStoredBlock, sizeof kEmptyStoredBlock));
            if (at == nullptr)
                break;
            if (at + kSpan > end && !last)
                break; // the next window starts early enough to see it whole
            if (at + kSpan <= end && at[4] == 0 && at[5] == 0)
                continue;
            if (!found(from + static_cast<std::uint64_t>(at - window.data())))
                return true;
        }
        if (last)
            break;
        from += want - (kSpan - 1);
    }
    return true;
}
