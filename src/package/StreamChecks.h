#pragma once

// Checks that both ways of inflating a payload make alike.

#include <cstddef>
#include <cstring>
#include <isa-l/igzip_lib.h>

// The header checks zlib's inflate makes for a stream with the default 32 KiB
// window: the header's check bits, the deflate method, a window of at most
// 32 KiB, no preset dictionary.
inline bool acceptableZlibHeader(unsigned char cmf, unsigned char flg)
{
    return (cmf * 256u + flg) % 31 == 0 && (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && !(flg & 0x20);
}

// After ISA-L was given input up to some point and used all of it: whether a
// block ends there and the next one has not begun (ISA-L may have gone on to
// look for its header, with no bit of it read).
inline bool betweenBlocks(const inflate_state& state)
{
    const bool atHeader = state.block_state == ISAL_BLOCK_NEW_HDR || state.block_state == ISAL_BLOCK_HDR;
    return atHeader && state.avail_in == 0 && state.read_in_length == 0 && state.tmp_in_size == 0 &&
           state.tmp_out_valid == state.tmp_out_processed;
}

// Where the first empty stored block our writer ends a piece with (00 00 FF FF
// after byte alignment) begins in the `size` bytes at `data`; null when none
// does. Looks for the rarer 0xFF first, which is several times faster than a
// general search.
inline const unsigned char* findEmptyStoredBlock(const unsigned char* data, std::size_t size)
{
    if (size < 4)
        return nullptr;
    const unsigned char* end = data + size;
    for (const unsigned char* at = data + 2; at + 1 < end; ++at) {
        at = static_cast<const unsigned char*>(std::memchr(at, 0xFF, static_cast<std::size_t>(end - 1 - at)));
        if (at == nullptr)
            return nullptr;
        if (at[1] == 0xFF && at[-1] == 0x00 && at[-2] == 0x00)
            return at - 2;
    }
    return nullptr;
}
