#pragma once

#include <cstddef>
#include <memory>
#include <vector>
#include <zlib.h>

struct libdeflate_compressor;

// Deflates separate chunks so that their outputs, written one after another,
// form one raw deflate stream: every chunk but the last ends with its final-block
// bit cleared and an empty stored block, so the next chunk starts on a byte
// boundary. One per thread.
class ChunkCompressor {
public:
    ChunkCompressor();
    ~ChunkCompressor();
    ChunkCompressor(const ChunkCompressor&) = delete;
    ChunkCompressor& operator=(const ChunkCompressor&) = delete;

    // Replaces `packed` with the deflated `plain`; `last` ends the stream.
    void compress(const unsigned char* plain, std::size_t size, bool last, std::vector<unsigned char>& packed);

private:
    std::size_t leaveOpen(std::size_t size);

    libdeflate_compressor* compressor_;
    z_stream walker_{};
    // Sized for the worst case but written only as far as needed, so that
    // untouched pages of it never become resident.
    std::unique_ptr<unsigned char[]> output_;
    std::size_t outputCapacity_ = 0;
    std::vector<unsigned char> scratch_;
};
