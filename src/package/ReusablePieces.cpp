#include "package/ReusablePieces.h"

#include <algorithm>
#include <cstring>

#include "foundation/ByteSink.h"
#include "package/PieceGrid.h"

bool ReusablePieces::take(std::uint64_t start, const unsigned char* plain, std::size_t size, PackedBytes& packed,
                          Checker& checker) const
{
    const std::uint64_t oldStart = start >= movedTo_ ? start - movedTo_ + movedFrom_ : start;
    const std::optional<PieceIndex::Range> range = index_.find(oldStart, oldStart + size);
    if (!range || range->packedEnd - range->packedStart > PieceGrid::kMaxPackedSize)
        return false;
    const std::size_t length = static_cast<std::size_t>(range->packedEnd - range->packedStart);
    unsigned char* bytes = packed.reserve(length + PieceDecoder::kSuffixRoom);
    if (!readFully(fd_, bytes, length, range->packedStart))
        return false;
    const bool provenBefore = range->proven && plainFd_ >= 0 && *range->proven == fingerprint(bytes, length);
    if (!(provenBefore ? sameAsOld(oldStart, plain, size, checker)
                       : decodesTo(bytes, length, plain, size, checker)))
        return false;
    packed.resize(length);
    return true;
}

bool ReusablePieces::sameAsOld(std::uint64_t oldStart, const unsigned char* plain, std::size_t size,
                               Checker& checker) const
{
    // A little at a time: the piece's plain bytes are never held whole twice.
    constexpr std::size_t kStep = 256 * 1024;
    checker.plain.resize(std::min(size, kStep));
    for (std::size_t at = 0; at < size; at += kStep) {
        const std::size_t step = std::min(kStep, size - at);
        if (!readFully(plainFd_, checker.plain.data(), step, oldStart + at) ||
            std::memcmp(checker.plain.data(), plain + at, step) != 0)
            return false;
    }
    return true;
}

bool ReusablePieces::decodesTo(unsigned char* packed, std::size_t length, const unsigned char* plain,
                               std::size_t size, Checker& checker) const
{
    checker.plain.resize(size);
    return checker.decoder.decode(packed, length, PieceDecoder::End::BetweenBlocks, checker.plain.data(), size) &&
           std::memcmp(checker.plain.data(), plain, size) == 0;
}
