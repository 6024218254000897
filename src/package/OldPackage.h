#pragma once

#include <cstdint>

#include "foundation/UniqueFd.h"
#include "package/PieceIndex.h"

// A compressed package that was read for its members, kept open so that the
// package written in its place may take its compressed pieces (see
// ReusablePieces): the reader fills it, the writer is handed it.
struct OldPackage {
    UniqueFd fd;                    // the compressed package as it was opened
    UniqueFd plain;                 // its container, as unwrapping wrote it (private)
    PieceIndex pieces;              // where unwrapping found its pieces
    std::uint64_t membersStart = 0; // where its container's member bytes start
};
