#include "package/PieceDecoder.h"

#include <cstring>
#include <libdeflate.h>
#include <new>

namespace {

// A final stored block of length 0: the final-block bit and type 00, padding to
// the byte boundary, LEN 0 and its complement.
constexpr unsigned char kFinalEmptyBlock[PieceDecoder::kSuffixRoom] = {0x01, 0x00, 0x00, 0xFF, 0xFF};

} // namespace

std::uint64_t fingerprint(const unsigned char* data, std::size_t size)
{
    return std::uint64_t{libdeflate_crc32(0, data, size)} << 32 | libdeflate_adler32(1, data, size);
}

PieceDecoder::PieceDecoder() : decompressor_(libdeflate_alloc_decompressor())
{
    if (decompressor_ == nullptr)
        throw std::bad_alloc();
}

PieceDecoder::~PieceDecoder()
{
    libdeflate_free_decompressor(decompressor_);
}

bool PieceDecoder::decode(unsigned char* packed, std::size_t size, End end, unsigned char* plain,
                          std::size_t plainSize)
{
    std::size_t length = size;
    if (end == End::BetweenBlocks) {
        std::memcpy(packed + size, kFinalEmptyBlock, sizeof kFinalEmptyBlock);
        length += sizeof kFinalEmptyBlock;
    }
    std::size_t used = 0, produced = 0;
    return libdeflate_deflate_decompress_ex(decompressor_, packed, length, plain, plainSize, &used, &produced) ==
               LIBDEFLATE_SUCCESS &&
           used == length && produced == plainSize;
}
