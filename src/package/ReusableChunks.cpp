#include "package/ReusableChunks.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

#include "foundation/ByteSink.h"
#include "package/Codec.h"
#include "package/StoredBlockMarker.h"

namespace {

// Deflate never needs much more than the plain size; anything longer is not one
// of our chunks, and would only cost memory.
constexpr std::uint64_t kMaxPacked = Deflater::kChunkSize + Deflater::kChunkSize / 8 + 1024;

// Reads the `packed.size()` bytes at `at` in `fd` into `packed` as plain zlib
// inflates them, from a block start without any history; true when they give
// exactly the `size` bytes at `plain` and end on a byte boundary between two
// blocks, none of them final. Stops at the first byte that differs, so a chunk
// that is not the same costs little more than one piece read.
bool decodesTo(int fd, std::uint64_t at, PackedBytes& packed, const unsigned char* plain, std::size_t size)
{
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        return false;
    constexpr std::size_t kPiece = 256 * 1024;
    unsigned char output[64 * 1024];
    std::size_t read = 0, produced = 0;
    bool same = true;
    for (;;) {
        if (stream.avail_in == 0 && read < packed.size()) {
            const std::size_t piece = std::min(kPiece, packed.size() - read);
            if (!readFully(fd, packed.data() + read, piece, at + read)) {
                same = false;
                break;
            }
            stream.next_in = packed.data() + read;
            stream.avail_in = static_cast<uInt>(piece);
            read += piece;
        }
        stream.next_out = output;
        stream.avail_out = sizeof output;
        // Z_BLOCK returns at every block boundary, where data_type tells the state.
        int status = inflate(&stream, Z_BLOCK);
        std::size_t got = sizeof output - stream.avail_out;
        same = (status == Z_OK || status == Z_BUF_ERROR) && got <= size - produced &&
               std::memcmp(output, plain + produced, got) == 0;
        produced += got;
        if (!same)
            break;
        if (stream.avail_in == 0 && read < packed.size())
            continue;
        // Out of input with room left in the output: the chunk is used up.
        if (status == Z_BUF_ERROR || (stream.avail_in == 0 && stream.avail_out > 0))
            break;
    }
    // 128: between blocks; the low bits: bits left over in the last byte. (A final
    // block ends the stream, which inflate reports as Z_STREAM_END, refused above.)
    same = same && read == packed.size() && stream.avail_in == 0 && produced == size &&
           (stream.data_type & (128 | 7)) == 128;
    inflateEnd(&stream);
    return same;
}

} // namespace

std::optional<std::pair<std::uint64_t, std::uint64_t>> ReusableChunks::range(std::uint64_t index)
{
    std::lock_guard lock(mutex_);
    if (ends_.size() <= index && scanned_ < end_) {
        // Markers cannot overlap, so a scan that stopped goes on just after the last one found.
        bool stopped = false;
        bool read = findMarkers(fd_, scanned_, end_, [&](std::uint64_t at) {
            ends_.push_back(at + sizeof kEmptyStoredBlock);
            stopped = ends_.size() > index;
            return !stopped;
        });
        scanned_ = read && stopped ? ends_.back() : end_;
    }
    if (ends_.size() <= index)
        return std::nullopt;
    return std::make_pair(index == 0 ? from_ : ends_[index - 1], ends_[index]);
}

bool ReusableChunks::take(std::uint64_t start, const unsigned char* plain, std::size_t size, PackedBytes& packed)
{
    const std::uint64_t oldStart = start >= movedTo_ ? start - movedTo_ + movedFrom_ : start;
    std::optional<std::uint64_t> index = grid_.indexAt(oldStart);
    std::optional<std::pair<std::uint64_t, std::uint64_t>> at = index ? range(*index) : std::nullopt;
    if (!at || at->second - at->first > kMaxPacked)
        return false;
    const std::size_t length = static_cast<std::size_t>(at->second - at->first);
    packed.reserve(length);
    packed.resize(length);
    return decodesTo(fd_, at->first, packed, plain, size);
}
