#pragma once

// The compressed pieces of the package being rewritten. Our writer compresses
// the pieces of its grid on their own, so where the new container holds the same
// plain bytes as an old piece (the members before the first change), the old
// piece can be taken as it is instead of being compressed again; for a package
// our writer made, it is the very same bytes compressing would give. Where the
// pieces lie comes from the PieceIndex that unwrapping the old package filled.
// A piece is taken only once it is proven to decode on its own, by zlib's rules,
// without the history before it and without a final block, to exactly the new
// plain bytes: whatever the old file holds by then, the new stream stays valid.
// Most pieces were proven so while the old package was read (libdeflate decoded
// them for the strict check): when the bytes read now have the fingerprint of
// the bytes proven then, comparing the new plain bytes with the old ones the
// piece held completes the proof. Any other piece is decoded again here.

#include <cstdint>
#include <vector>

#include "package/PackedBytes.h"
#include "package/PieceDecoder.h"
#include "package/PieceIndex.h"

class ReusablePieces {
public:
    // What one thread proves pieces with.
    struct Checker {
        PieceDecoder decoder;
        std::vector<unsigned char> plain;
    };

    // The old stream lies in the file open as `fd`, its plain bytes in the file
    // open as `plainFd` (-1: none), both open while pieces are taken; its pieces
    // lie where `index` says. The plain bytes from `movedTo` on in the new stream
    // stood from `movedFrom` on in the old one; those before stood where they are.
    ReusablePieces(int fd, int plainFd, const PieceIndex& index, std::uint64_t movedFrom = 0,
                   std::uint64_t movedTo = 0)
        : fd_(fd), plainFd_(plainFd), index_(index), movedFrom_(movedFrom), movedTo_(movedTo)
    {
    }

    // True when the old piece that held the new piece of `size` bytes starting at
    // plain offset `start` decodes to exactly the bytes at `plain`; `packed` then
    // holds its compressed bytes. Safe to call from several threads at once, each
    // with its own `checker`.
    bool take(std::uint64_t start, const unsigned char* plain, std::size_t size, PackedBytes& packed,
              Checker& checker) const;

private:
    // Whether the old plain bytes at `oldStart` are the `size` bytes at `plain`.
    bool sameAsOld(std::uint64_t oldStart, const unsigned char* plain, std::size_t size, Checker& checker) const;
    // Whether the `length` bytes at `packed` decode on their own to the `size` bytes at `plain`.
    bool decodesTo(unsigned char* packed, std::size_t length, const unsigned char* plain, std::size_t size,
                   Checker& checker) const;

    const int fd_, plainFd_;
    const PieceIndex& index_;
    const std::uint64_t movedFrom_, movedTo_;
};
