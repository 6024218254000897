#include "package/CompressedPackage.h"

#include <cerrno>
#include <cstring>

#include "foundation/ByteOrder.h"

namespace {

// The signature, then the plain length.
constexpr std::uint64_t kPayloadStart = 12;

} // namespace

bool readSignature(int fd)
{
    unsigned char signature[sizeof compressedFileHeader];
    return readFully(fd, signature, sizeof signature, 0) &&
           std::memcmp(signature, compressedFileHeader, sizeof signature) == 0;
}

Inflated unwrapPayload(int fd, ByteSink& out, PieceIndex* pieces, ProgressObserver* progress, const std::string& label)
{
    unsigned char length[4];
    if (!readFully(fd, length, sizeof length, sizeof compressedFileHeader))
        return Inflated::Damaged;
    const std::uint32_t expected = loadBig32(length);
    if (expected == 0)
        return Inflated::Damaged;
    ProgressScope shown(progress, label, expected);
    ProgressSink counted(out, progress);
    return inflatePayload(fd, kPayloadStart, expected, counted, pieces);
}

PackageSink::PackageSink(ByteSink& out, std::uint32_t plainLength, PieceGrid grid, ReusablePieces* reuse)
    : out_(out), plainLength_(plainLength), deflater_(out, Deflater::defaultWorkers(), reuse, grid)
{
}

bool PackageSink::put(const unsigned char* data, std::size_t size)
{
    if (!started_) {
        unsigned char prefix[kPayloadStart];
        std::memcpy(prefix, compressedFileHeader, sizeof compressedFileHeader);
        storeBig32(prefix + sizeof compressedFileHeader, plainLength_);
        if (!out_.put(prefix, sizeof prefix))
            return false;
        started_ = true;
    }
    received_ += size;
    return deflater_.put(data, size);
}

bool PackageSink::finish()
{
    if (received_ != plainLength_ || !started_) {
        errno = EINVAL;
        return false;
    }
    return deflater_.finish();
}
