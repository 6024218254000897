#include "foundation/ByteSink.h"

#include <cerrno>
#include <cstring>

bool FileSink::put(const unsigned char* data, std::size_t size)
{
    return size == 0 || std::fwrite(data, 1, size, stream_) == size;
}

CopyResult copyBytes(FILE* in, std::uint64_t size, ByteSink& out, std::string& readFailure)
{
    // Larger than a disk block so that big members stream at disk speed.
    unsigned char buffer[64 * 1024];
    while (size > 0) {
        std::size_t want = size < sizeof buffer ? static_cast<std::size_t>(size) : sizeof buffer;
        errno = 0;
        std::size_t got = std::fread(buffer, 1, want, in);
        if (got < want) {
            readFailure = std::ferror(in) && errno != 0 ? std::strerror(errno) : "unexpected end of file";
            return CopyResult::ReadError;
        }
        if (!out.put(buffer, got))
            return CopyResult::WriteError;
        size -= got;
    }
    return CopyResult::Ok;
}

CopyResult copyRange(FILE* in, std::uint64_t offset, std::uint64_t size, ByteSink& out, std::string& readFailure)
{
    if (fseeko(in, static_cast<off_t>(offset), SEEK_SET) != 0) {
        readFailure = std::strerror(errno);
        return CopyResult::ReadError;
    }
    return copyBytes(in, size, out, readFailure);
}
