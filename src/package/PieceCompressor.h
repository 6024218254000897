#pragma once

#include <cstddef>

#include "package/PackedBytes.h"

struct libdeflate_compressor;

// Deflates separate pieces so that their outputs, written one after another,
// form one raw deflate stream: every piece but the last ends with its final-block
// bit cleared and an empty stored block, so the next piece starts on a byte
// boundary. One per thread; making one throws std::bad_alloc when memory is short.
class PieceCompressor {
public:
    PieceCompressor();
    ~PieceCompressor();
    PieceCompressor(const PieceCompressor&) = delete;
    PieceCompressor& operator=(const PieceCompressor&) = delete;

    // Replaces `packed` with the deflated `plain`; `last` ends the stream.
    void compress(const unsigned char* plain, std::size_t size, bool last, PackedBytes& packed);

private:
    std::size_t leaveOpen(unsigned char* packed, std::size_t size);

    libdeflate_compressor* compressor_;
};
