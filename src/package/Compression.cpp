#include "package/Compression.h"

#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/AtomicFile.h"
#include "package/Codec.h"
#include "package/ReusableChunks.h"

namespace {

// The wrapper's signature and length, then the zlib header.
constexpr std::uint64_t kDeflateStart = 12 + 2;
// The zlib stream ends with the Adler-32 of the plain bytes.
constexpr std::uint64_t kCheckValueSize = 4;

} // namespace

struct PackageSink::State {
    State(ByteSink& out, ChunkGrid grid, ReusableChunks* reuse) : deflater(out, Deflater::defaultWorkers(), reuse, grid)
    {
    }
    Deflater deflater;
};

PackageSink::PackageSink(ByteSink& out, std::uint32_t plainLength, ChunkGrid grid, ReusableChunks* reuse)
    : out_(out), plainLength_(plainLength), state_(new State(out, grid, reuse))
{
}

PackageSink::~PackageSink()
{
    delete state_;
}

bool PackageSink::put(const unsigned char* data, std::size_t size)
{
    if (!started_) {
        unsigned char prefix[12];
        std::memcpy(prefix, compressedFileHeader, 8);
        for (int i = 0; i < 4; ++i)
            prefix[8 + i] = static_cast<unsigned char>(plainLength_ >> (24 - 8 * i));
        if (!out_.put(prefix, sizeof prefix))
            return false;
        started_ = true;
    }
    received_ += size;
    return state_->deflater.put(data, size);
}

bool PackageSink::finish()
{
    if (received_ != plainLength_ || !started_) {
        errno = EINVAL;
        return false;
    }
    return state_->deflater.finish();
}

bool readSignature(FILE* in)
{
    unsigned char signature[8];
    return fseeko(in, 0, SEEK_SET) == 0 && std::fread(signature, 1, 8, in) == 8 &&
           std::memcmp(signature, compressedFileHeader, 8) == 0;
}

std::optional<ReusableChunks> payloadChunks(FILE* packed, ChunkGrid grid, std::uint64_t movedFrom,
                                            std::uint64_t movedTo)
{
    struct stat status {};
    if (packed == nullptr || fstat(fileno(packed), &status) != 0 ||
        static_cast<std::uint64_t>(status.st_size) < kDeflateStart + kCheckValueSize)
        return std::nullopt;
    return std::optional<ReusableChunks>(std::in_place, fileno(packed), kDeflateStart,
                                         static_cast<std::uint64_t>(status.st_size) - kCheckValueSize, grid, movedFrom,
                                         movedTo);
}

Unwrap unwrapPayload(FILE* in, ByteSink& out, GridOf gridOf)
{
    unsigned char prefix[4];
    if (std::fread(prefix, 1, 4, in) != 4)
        return Unwrap::Damaged;
    std::uint32_t expected = 0;
    for (unsigned char byte : prefix)
        expected = (expected << 8) | byte;
    if (expected == 0)
        return Unwrap::Damaged;

    switch (inflateStream(in, expected, out, Deflater::defaultWorkers(), gridOf)) {
    case Inflated::Ok:
        return Unwrap::Ok;
    case Inflated::WriteError:
        return Unwrap::WriteError;
    default:
        return Unwrap::Damaged;
    }
}

namespace QTx {

bool isCompressedFile(const std::string& path)
{
    FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr)
        return false;
    bool compressed = readSignature(in);
    std::fclose(in);
    return compressed;
}

bool compressFile(const std::string& plainPath, const std::string& packedPath)
{
    FILE* in = std::fopen(plainPath.c_str(), "rb");
    if (in == nullptr)
        return false;
    struct stat status {};
    bool fits = fstat(fileno(in), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0 &&
                static_cast<std::uint64_t>(status.st_size) <= 0xFFFFFFFFu;
    bool ok = false;
    if (fits) {
        AtomicFile out(packedPath);
        std::uint32_t length = static_cast<std::uint32_t>(status.st_size);
        PackageSink packer(out, length);
        std::string readFailure;
        ok = out.create() && copyBytes(in, length, packer, readFailure) == CopyResult::Ok && packer.finish() &&
             out.commit();
    }
    std::fclose(in);
    return ok;
}

bool decompressFile(const std::string& packedPath, const std::string& plainPath)
{
    FILE* in = std::fopen(packedPath.c_str(), "rb");
    if (in == nullptr)
        return false;
    if (!readSignature(in)) {
        std::fclose(in);
        return false;
    }
    FILE* out = std::fopen(plainPath.c_str(), "wb");
    if (out == nullptr) {
        std::fclose(in);
        return false;
    }
    FileSink sink(out);
    // A failed write counts even when the stream ended in the same step.
    bool ok = unwrapPayload(in, sink) == Unwrap::Ok;
    std::fclose(in);
    ok = std::fflush(out) == 0 && ok;
    if (!ok && ftruncate(fileno(out), 0) != 0)
        ok = false;
    return std::fclose(out) == 0 && ok;
}

} // namespace QTx
