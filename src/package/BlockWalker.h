#pragma once

// Finding where the blocks of raw deflate data begin and end without making
// their plain bytes: every Huffman code is read and its extra bits skipped, no
// byte is written and no match copied, so a walk costs a fraction of inflating.
// Used where only the block structure matters: to clear the final-block flag of
// a piece libdeflate compressed, and to prove that a piece read back ends between
// two blocks. The walk follows the same parse as any inflater but checks only
// what it needs to stay in bounds: whether the codes are complete and the
// distances reach back no further than the data is left to a strict decoder.

#include <cstddef>
#include <optional>

struct BlockWalk {
    // Bit offset of the first block with the final-block flag, when one was read.
    std::optional<std::size_t> finalStart;
    // Bit offset where the walk ended: just after the final block, or, without
    // one, just after the last block, which then ends with the input's last bit.
    std::size_t end = 0;
};

// Walks the blocks of the `size` bytes at `data` from the first bit. Nothing
// when the data are not whole deflate blocks that stop at the final block or at
// the input's end (a code no table holds, a reserved block type, a stored
// block's length without its complement, a block cut short).
std::optional<BlockWalk> walkBlocks(const unsigned char* data, std::size_t size);
