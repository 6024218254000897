#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

// Where streamed bytes go: a file, a compressor in front of a file, ...
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends `size` bytes; false on failure, with errno describing it.
    virtual bool put(const unsigned char* data, std::size_t size) = 0;
};

// A sink over an open stdio stream that it does not own.
class FileSink : public ByteSink {
public:
    explicit FileSink(FILE* stream) : stream_(stream) {}
    bool put(const unsigned char* data, std::size_t size) override;

private:
    FILE* stream_;
};

// A sink over an open file descriptor that it does not own; writes go straight
// to the descriptor, without a stdio buffer in between.
class FdSink : public ByteSink {
public:
    explicit FdSink(int fd) : fd_(fd) {}
    bool put(const unsigned char* data, std::size_t size) override;

private:
    int fd_;
};

// Writes all `size` bytes to `fd`, at its current offset or, when given, at
// `offset` (with pwrite); false on failure, with errno describing it.
bool writeFully(int fd, const unsigned char* data, std::size_t size, std::optional<std::uint64_t> offset = {});

// Reads exactly `size` bytes at `offset` of `fd` (with pread); false on failure,
// with errno describing it, or 0 when the file ends first.
bool readFully(int fd, unsigned char* data, std::size_t size, std::uint64_t offset);

enum class CopyResult { Ok, ReadError, WriteError };

// Copies exactly `size` bytes from the current position of `in` to `out` through a
// fixed buffer. On ReadError, `readFailure` says why ("unexpected end of file" when
// the input ends early, else the system's text).
CopyResult copyBytes(FILE* in, std::uint64_t size, ByteSink& out, std::string& readFailure);

// The same, starting at `offset` from the start of `in`, read with pread(2): the
// stream's own position and buffer are left alone.
CopyResult copyRange(FILE* in, std::uint64_t offset, std::uint64_t size, ByteSink& out, std::string& readFailure);
// The same from the file open as `in`.
CopyResult copyRange(int in, std::uint64_t offset, std::uint64_t size, ByteSink& out, std::string& readFailure);

// Copies up to `size` bytes at `offset` of the file open as `in` to the file open
// as `out`, at its own offset, inside the kernel (copy_file_range), telling
// `copied` of each block. Returns how many bytes it copied: it stops early, with
// nothing reported, wherever the files or the system do not allow it or a call
// fails, and the caller copies the rest its own way, which reports any error.
std::uint64_t copyInKernel(int in, std::uint64_t offset, std::uint64_t size, int out,
                           const std::function<void(std::size_t)>& copied);
