#include "package/PieceCompressor.h"

#include <cstring>
#include <libdeflate.h>
#include <new>
#include <stdexcept>

namespace {

// zlib's default level, for the size users of the format expect.
constexpr int kLevel = 6;

// Ends every piece but the last: after byte alignment, LEN 0 and its complement.
constexpr unsigned char kEmptyStoredBlock[4] = {0x00, 0x00, 0xFF, 0xFF};

} // namespace

PieceCompressor::PieceCompressor() : compressor_(libdeflate_alloc_compressor(kLevel)), scratch_(64 * 1024)
{
    if (compressor_ == nullptr)
        throw std::bad_alloc();
    // Raw inflate, only to find where the deflated blocks start and end.
    if (inflateInit2(&walker_, -15) != Z_OK) {
        libdeflate_free_compressor(compressor_);
        throw std::bad_alloc();
    }
}

PieceCompressor::~PieceCompressor()
{
    inflateEnd(&walker_);
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

// libdeflate ends every buffer with a final block. Inflating with Z_BLOCK stops
// at each block boundary and reports the unused bits of the last byte read: the
// last boundary before the final block gives the bit where that block starts
// (its first bit is the final-block flag), the boundary after it the bit where
// it ends, before any padding.
std::size_t PieceCompressor::leaveOpen(unsigned char* packed, std::size_t size)
{
    inflateReset(&walker_);
    walker_.next_in = packed;
    walker_.avail_in = static_cast<uInt>(size);
    std::size_t lastStart = 0, end = 0;
    int status;
    do {
        walker_.next_out = scratch_.data();
        walker_.avail_out = static_cast<uInt>(scratch_.size());
        status = inflate(&walker_, Z_BLOCK);
        if (status != Z_OK && status != Z_STREAM_END)
            throw std::logic_error("zlib refused a piece libdeflate made");
        if (walker_.data_type & 128) {
            std::size_t boundary = (size - walker_.avail_in) * 8 - (walker_.data_type & 7);
            (walker_.data_type & 64 ? end : lastStart) = boundary;
        }
    } while (status != Z_STREAM_END);

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
