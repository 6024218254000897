#include "foundation/ByteSink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool FileSink::put(const unsigned char* data, std::size_t size)
{
    return size == 0 || std::fwrite(data, 1, size, stream_) == size;
}

bool writeFully(int fd, const unsigned char* data, std::size_t size, std::optional<std::uint64_t> offset)
{
    while (size > 0) {
        ssize_t written = offset ? pwrite(fd, data, size, static_cast<off_t>(*offset)) : write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
        if (offset)
            *offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool readFully(int fd, unsigned char* data, std::size_t size, std::uint64_t offset)
{
    while (size > 0) {
        ssize_t got = pread(fd, data, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = 0;
            return false;
        }
        data += got;
        size -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

bool FdSink::put(const unsigned char* data, std::size_t size)
{
    return writeFully(fd_, data, size);
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
        if (!readFully(fd, buffer, want, offset)) {
            readFailure = errno != 0 ? std::strerror(errno) : "unexpected end of file";
            return CopyResult::ReadError;
        }
        if (!out.put(buffer, want))
            return CopyResult::WriteError;
        offset += want;
        size -= want;
    }
    return CopyResult::Ok;
}

std::uint64_t copyInKernel(int in, std::uint64_t offset, std::uint64_t size, int out,
                           const std::function<void(std::size_t)>& copied)
{
    // In blocks, so that a progress line moves during a large member.
    constexpr std::size_t kBlock = 4 * 1024 * 1024;
    std::uint64_t done = 0;
    while (done < size) {
        loff_t from = static_cast<loff_t>(offset + done);
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - done));
        const ssize_t got = copy_file_range(in, &from, out, nullptr, want, 0);
        if (got <= 0)
            break;
        done += static_cast<std::uint64_t>(got);
        copied(static_cast<std::size_t>(got));
    }
    return done;
}
