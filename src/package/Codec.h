#pragma once

// The codec behind the compressed package wrapper: one zlib stream (RFC 1950: a
// 2-byte header, raw deflate, the Adler-32 of the plain bytes big-endian) out,
// one zlib stream in. Callers see bytes and results only, never the libraries.

#include <cstdint>
#include <cstdio>
#include <memory>

#include "foundation/ByteSink.h"
#include "package/ChunkGrid.h"

class ReusableChunks;

// Deflates every byte put into one zlib stream written to `out`. The input is cut
// into chunks on `grid` by offset alone, compressed apart (on worker threads when
// there are any) and joined in order, so the same input gives the same bytes
// whatever the number of workers or their timing. All writes to `out` happen on
// the calling thread; at most a few chunks are held at once. Chunks that `reuse`
// holds with the same plain bytes are taken from there.
class Deflater : public ByteSink {
public:
    static constexpr std::size_t kChunkSize = ChunkGrid::kChunkSize;

    // `workers` 0 compresses inline on the calling thread.
    explicit Deflater(ByteSink& out, unsigned workers = defaultWorkers(), ReusableChunks* reuse = nullptr,
                      ChunkGrid grid = {});
    ~Deflater() override;
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // False once writing to `out` failed, with errno from the sink.
    bool put(const unsigned char* data, std::size_t size) override;
    // Ends the stream with the check value; false when writing failed.
    bool finish();

    // Two workers when this process may run on two CPUs or more, else none.
    static unsigned defaultWorkers();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

enum class Inflated {
    Ok,         // one complete, checked zlib stream of exactly the expected length, nothing after it
    Damaged,    // anything else
    WriteError, // the sink refused bytes; errno says why
};

// Inflates the zlib stream that runs from the current position of `in` to its
// end into `out`. The sink never receives a byte past `expectedLength`; damage
// found part-way still makes the result Damaged, after what came before it was
// put, so a caller acts on the bytes only once Ok is returned. With `workers`
// above 0, a large stream in a regular file and a sink that keeps its bytes in a
// regular file, the second half of the stream may be inflated on another thread
// at the same time, straight into its place in that file, with the same result.
// Its place is found on the grid `gridOf` reads from the first 8 plain bytes
// (or on the plain grid), which only has to be right for that to pay.
using GridOf = ChunkGrid (*)(const unsigned char* head);
Inflated inflateStream(FILE* in, std::uint64_t expectedLength, ByteSink& out,
                       unsigned workers = Deflater::defaultWorkers(), GridOf gridOf = nullptr);
