#pragma once

// Inflating our writer's payloads on two CPUs. Its pieces need no history, and
// each but the last ends with an empty stored block (see CompressedPackage.h),
// so the payload is cut just after every 00 00 FF FF and each run between two
// cuts is inflated on its own, on whichever thread is free, by ISA-L (which makes
// the plain bytes and must then stand between two blocks with every bit used:
// that proves the cut a boundary of the stream, not bytes inside a block, given
// that the run began at one) and by libdeflate (as strict as zlib). The plain
// bytes go out in stream order. Anything else (a stream another writer made, a
// cut inside a block, damage) ends this way of reading, and the caller reads
// the rest front to back.

#include <cstdint>
#include <optional>

#include "foundation/ByteSink.h"
#include "package/Inflater.h"
#include "package/PieceIndex.h"

// The plain bytes already put when the stream is to be read the other way.
struct Emitted {
    std::uint64_t bytes = 0;
    std::uint32_t adler = 1; // their Adler-32, for the other way to match
};

// Inflates the zlib stream from file offset `from` to the end of the file open as
// `fd` into `out` (see inflatePayload for `expectedLength` and `pieces`). Ok or
// WriteError once decided; nothing when the stream is to be read the other way,
// after the plain bytes `emitted` tells of.
std::optional<Inflated> inflatePieces(int fd, std::uint64_t from, std::uint64_t expectedLength, ByteSink& out,
                                      PieceIndex* pieces, Emitted& emitted);
