#include "package/ReusablePieces.h"

#include <cstring>

#include "foundation/ByteSink.h"
#include "package/PieceGrid.h"

namespace {

// Deflate never needs much more than the plain size; anything longer is not one
// of our pieces, and would only cost memory.
constexpr std::uint64_t kMaxPacked = PieceGrid::kPieceSize + PieceGrid::kPieceSize / 8 + 1024;

} // namespace

bool ReusablePieces::take(std::uint64_t start, const unsigned char* plain, std::size_t size, PackedBytes& packed,
                          Checker& checker) const
{
    const std::uint64_t oldStart = start >= movedTo_ ? start - movedTo_ + movedFrom_ : start;
    const std::optional<PieceIndex::Range> range = index_.find(oldStart, oldStart + size);
    if (!range || range->packedEnd - range->packedStart > kMaxPacked)
        return false;
    const std::size_t length = static_cast<std::size_t>(range->packedEnd - range->packedStart);
    unsigned char* bytes = packed.reserve(length + PieceDecoder::kSuffixRoom);
    if (!readFully(fd_, bytes, length, range->packedStart))
        return false;
    checker.plain.resize(size);
    const bool provenBefore = range->proven && plainFd_ >= 0 && *range->proven == fingerprint(bytes, length);
    const bool decoded = provenBefore ? readFully(plainFd_, checker.plain.data(), size, oldStart)
                                      : checker.decoder.decode(bytes, length, PieceDecoder::End::BetweenBlocks,
                                                               checker.plain.data(), size);
    if (!decoded || std::memcmp(checker.plain.data(), plain, size) != 0)
        return false;
    packed.resize(length);
    return true;
}
