#include "foundation/ByteSink.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// Puts bytes [offset, size) of `fd` through a fixed buffer.
bool putFileFrom(ByteSink& sink, int fd, std::uint64_t offset, std::uint64_t size)
{
    unsigned char buffer[64 * 1024];
    while (offset < size) {
        std::size_t want = size - offset < sizeof buffer ? static_cast<std::size_t>(size - offset) : sizeof buffer;
        ssize_t got = pread(fd, buffer, want, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO; // the file is shorter than it was said to be
            return false;
        }
        if (!sink.put(buffer, static_cast<std::size_t>(got)))
            return false;
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

} // namespace

bool ByteSink::putFile(int fd, std::uint64_t size)
{
    return putFileFrom(*this, fd, 0, size);
}

bool FileSink::put(const unsigned char* data, std::size_t size)
{
    return size == 0 || std::fwrite(data, 1, size, stream_) == size;
}

bool FileSink::putFile(int fd, std::uint64_t size)
{
    off_t start = std::fflush(stream_) == 0 ? ftello(stream_) : -1;
    if (start < 0)
        return false;
    const int outFd = fileno(stream_);
    loff_t offset = 0;
    while (static_cast<std::uint64_t>(offset) < size) {
        ssize_t copied = copy_file_range(fd, &offset, outFd, nullptr, size - static_cast<std::uint64_t>(offset), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        // Across file systems, or where the kernel cannot copy: through a buffer,
        // from where stdio, which may cache the offset, is told the copy ended.
        if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
            return fseeko(stream_, start + offset, SEEK_SET) == 0 &&
                   putFileFrom(*this, fd, static_cast<std::uint64_t>(offset), size);
        if (copied <= 0) {
            if (copied == 0)
                errno = EIO;
            return false;
        }
    }
    // The same for stdio's own idea of the offset.
    return fseeko(stream_, start + offset, SEEK_SET) == 0;
}

bool FdSink::put(const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        ssize_t written = write(fd_, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
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
    return copyRange(fileno(in), offset, size, out, readFailure);
}

CopyResult copyRange(int fd, std::uint64_t offset, std::uint64_t size, ByteSink& out, std::string& readFailure)
{
    // Positioned reads: one system call per block, none to seek, and no stdio copy.
    unsigned char buffer[64 * 1024];
    while (size > 0) {
        std::size_t want = size < sizeof buffer ? static_cast<std::size_t>(size) : sizeof buffer;
        ssize_t got = pread(fd, buffer, want, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            readFailure = got < 0 ? std::strerror(errno) : "unexpected end of file";
            return CopyResult::ReadError;
        }
        if (!out.put(buffer, static_cast<std::size_t>(got)))
            return CopyResult::WriteError;
        offset += static_cast<std::uint64_t>(got);
        size -= static_cast<std::uint64_t>(got);
    }
    return CopyResult::Ok;
}
