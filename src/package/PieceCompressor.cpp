#include "package/PieceCompressor.h"

#include <cstring>
#include <libdeflate.h>
#include <new>
#include <stdexcept>

#include "package/BlockWalker.h"

namespace {

// zlib's default level, for the size users of the format expect.
constexpr int kLevel = 6;

// Ends every piece but the last: after byte alignment, LEN 0 and its complement.
constexpr unsigned char kEmptyStoredBlock[4] = {0x00, 0x00, 0xFF, 0xFF};

} // namespace

PieceCompressor::PieceCompressor() : compressor_(libdeflate_alloc_compressor(kLevel))
{
    if (compressor_ == nullptr)
        throw std::bad_alloc();
}

PieceCompressor::~PieceCompressor()
{
    libdeflate_free_compressor(compressor_);
}

void PieceCompressor::compress(const unsigned char* plain, std::size_t size, bool last, PackedBytes& packed)
{
    // Room for the empty stored block and one more byte of alignment.
    std::size_t capacity = libdeflate_deflate_compress_bound(compressor_, size) + sizeof kEmptyStoredBlock + 1;
    unsigned char* output = packed.reserve(capacity);
    std::size_t written = libdeflate_deflate_compress(compressor_, plain, size, output, capacity);
    if (written == 0)
        throw std::logic_error("libdeflate found no room in a buffer of the size it asked for");
    packed.resize(last ? written : leaveOpen(output, written));
}

// libdeflate ends every buffer with a final block: its first bit, the final-block
// flag, is cleared, and an empty stored block appended where it ends.
std::size_t PieceCompressor::leaveOpen(unsigned char* packed, std::size_t size)
{
    const std::optional<BlockWalk> walk = walkBlocks(packed, size);
    if (!walk || !walk->finalStart)
        throw std::logic_error("libdeflate made a piece that is not whole deflate blocks");
    const std::size_t lastStart = *walk->finalStart, end = walk->end;
    packed[lastStart / 8] &= static_cast<unsigned char>(~(1u << (lastStart % 8)));
    // The stored block's 3 header bits (all zero) follow at `end`, then zero
    // padding to the byte boundary: clear everything after `end` and append.
    if (end % 8 != 0)
        packed[end / 8] &= static_cast<unsigned char>((1u << (end % 8)) - 1);
    std::size_t length = (end + 3 + 7) / 8;
    for (std::size_t i = size; i < length; ++i)
        packed[i] = 0;
    std::memcpy(packed + length, kEmptyStoredBlock, sizeof kEmptyStoredBlock);
    return length + sizeof kEmptyStoredBlock;
}
