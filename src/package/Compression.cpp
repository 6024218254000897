#include "package/Compression.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "foundation/AtomicFile.h"

namespace {

constexpr std::size_t kChunk = 64 * 1024;

} // namespace

struct PackageSink::State {
    z_stream zs{};
    unsigned char buffer[kChunk];
};

PackageSink::PackageSink(ByteSink& out, std::uint32_t plainLength)
    : out_(out), plainLength_(plainLength), state_(new State)
{
    deflateInit(&state_->zs, Z_DEFAULT_COMPRESSION);
}

PackageSink::~PackageSink()
{
    deflateEnd(&state_->zs);
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
    while (size > 0) {
        // zlib counts input in 32-bit units.
        uInt piece = size > kChunk ? static_cast<uInt>(kChunk) : static_cast<uInt>(size);
        state_->zs.next_in = const_cast<unsigned char*>(data);
        state_->zs.avail_in = piece;
        if (!deflateInto(Z_NO_FLUSH))
            return false;
        data += piece;
        size -= piece;
    }
    return true;
}

bool PackageSink::finish()
{
    if (received_ != plainLength_ || !started_) {
        errno = EINVAL;
        return false;
    }
    state_->zs.next_in = nullptr;
    state_->zs.avail_in = 0;
    return deflateInto(Z_FINISH);
}

bool PackageSink::deflateInto(int flush)
{
    z_stream& zs = state_->zs;
    int status;
    do {
        zs.next_out = state_->buffer;
        zs.avail_out = kChunk;
        status = deflate(&zs, flush);
        if (status == Z_STREAM_ERROR) {
            errno = EINVAL;
            return false;
        }
        if (!out_.put(state_->buffer, kChunk - zs.avail_out))
            return false;
    } while (zs.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    return true;
}

bool readSignature(FILE* in)
{
    unsigned char signature[8];
    return fseeko(in, 0, SEEK_SET) == 0 && std::fread(signature, 1, 8, in) == 8 &&
           std::memcmp(signature, compressedFileHeader, 8) == 0;
}

Unwrap unwrapPayload(FILE* in, ByteSink& out)
{
    unsigned char prefix[4];
    if (std::fread(prefix, 1, 4, in) != 4)
        return Unwrap::Damaged;
    std::uint32_t expected = 0;
    for (unsigned char byte : prefix)
        expected = (expected << 8) | byte;
    if (expected == 0)
        return Unwrap::Damaged;

    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return Unwrap::Damaged;
    std::vector<unsigned char> inputBuffer(kChunk), outputBuffer(kChunk);
    unsigned char* input = inputBuffer.data();
    unsigned char* output = outputBuffer.data();
    std::uint64_t produced = 0;
    int status = Z_OK;
    bool writeFailed = false;
    while (status != Z_STREAM_END) {
        if (zs.avail_in == 0) {
            zs.avail_in = static_cast<uInt>(std::fread(input, 1, kChunk, in));
            zs.next_in = input;
            if (zs.avail_in == 0)
                break;
        }
        zs.next_out = output;
        zs.avail_out = kChunk;
        status = inflate(&zs, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        std::size_t got = kChunk - zs.avail_out;
        produced += got;
        // More than announced is damage; the sink never sees bytes past the length.
        if (produced > expected)
            break;
        if (!out.put(output, got)) {
            writeFailed = true;
            break;
        }
    }
    int savedErrno = errno;
    bool trailing = !writeFailed && (zs.avail_in > 0 || std::fgetc(in) != EOF);
    inflateEnd(&zs);
    if (writeFailed) {
        errno = savedErrno;
        return Unwrap::WriteError;
    }
    bool ok = status == Z_STREAM_END && produced == expected && !trailing && !std::ferror(in);
    return ok ? Unwrap::Ok : Unwrap::Damaged;
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
