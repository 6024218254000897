#pragma once

// Writing the compressed package's payload: one zlib stream (RFC 1950), cut
// into pieces on a PieceGrid. See CompressedPackage.h for the layout.

#include <cstdint>
#include <memory>

#include "foundation/ByteSink.h"
#include "package/PieceGrid.h"

class ReusablePieces;

// Deflates every byte put into one zlib stream written to `out`. The input is cut
// into pieces on `grid` by offset alone, compressed apart (on worker threads when
// any can start) and joined in order, so the same input gives the same bytes
// whatever the number of workers or their timing. All writes to `out` happen on
// the calling thread; at most a few pieces are held at once. Pieces that `reuse`
// holds with the same plain bytes are taken from there.
class Deflater : public ByteSink {
public:
    // Up to `workers` threads; 0, or none that could start, compresses inline.
    explicit Deflater(ByteSink& out, unsigned workers = defaultWorkers(), ReusablePieces* reuse = nullptr,
                      PieceGrid grid = {});
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
