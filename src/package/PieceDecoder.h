#pragma once

// Proving that a run of deflate blocks decodes on its own, under the rules zlib
// applies (complete Huffman codes, no distance beyond the start, valid lengths),
// to exactly a given number of plain bytes. libdeflate is as strict as zlib and
// about as fast as any inflater, but it decodes whole buffers ending in a final
// block: a run that ends between two blocks, as our writer's pieces do, gets a
// final empty stored block appended, which must then be read to its last byte.

#include <cstddef>
#include <cstdint>

struct libdeflate_decompressor;

// A 64-bit fingerprint of compressed bytes (their CRC-32 and Adler-32): it tells
// whether the bytes of a piece read again are those once proven, whatever
// changed the file in between by accident.
std::uint64_t fingerprint(const unsigned char* data, std::size_t size);

// One libdeflate decompressor; allocating it throws std::bad_alloc when memory
// is short.
class PieceDecoder {
public:
    PieceDecoder();
    ~PieceDecoder();
    PieceDecoder(const PieceDecoder&) = delete;
    PieceDecoder& operator=(const PieceDecoder&) = delete;

    // Bytes a caller leaves free after a run that ends between blocks.
    static constexpr std::size_t kSuffixRoom = 5;

    enum class End { BetweenBlocks, Final };

    // True when the `size` bytes at `packed` decode on their own to exactly
    // `plainSize` bytes, written to `plain`, using every byte: up to the start of
    // the next block (BetweenBlocks: `packed` must have kSuffixRoom more bytes of
    // room, which this overwrites), or through a final block (Final).
    bool decode(unsigned char* packed, std::size_t size, End end, unsigned char* plain, std::size_t plainSize);

private:
    libdeflate_decompressor* decompressor_;
};
