#pragma once

// Reading the compressed package's payload: one zlib stream (RFC 1950), made by
// any writer, inflated front to back. See CompressedPackage.h for the layout.

#include <cstdint>

#include "foundation/ByteSink.h"
#include "package/PieceIndex.h"

enum class Inflated {
    Ok,         // one complete, checked zlib stream of exactly the expected length, nothing after it
    Damaged,    // anything else, including any stream zlib would refuse
    WriteError, // the sink refused bytes; errno says why
};

// Inflates the zlib stream that runs from file offset `from` to the end of the
// file open as `fd` into `out`. The sink never receives a byte past
// `expectedLength`; damage found part-way still makes the result Damaged, after
// what came before it was put, so a caller acts on the bytes only once Ok is
// returned. ISA-L makes the plain bytes and every piece is also decoded by
// zlib's rules: our writer's pieces each on its own, on two threads where they
// can start (PieceInflater.h), any other stream front to back. When `pieces` is
// given, it receives every boundary between pieces the stream was found to have.
Inflated inflatePayload(int fd, std::uint64_t from, std::uint64_t expectedLength, ByteSink& out,
                        PieceIndex* pieces = nullptr);
