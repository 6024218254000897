#pragma once

// The second half of a package's payload, inflated on a thread of its own while
// the calling thread inflates the first, straight into its place in the same
// output file. It starts at a byte where a deflate block starts and decodes
// without the history before it: a back-reference into that history is an
// error, so a tail that inflates at all gives exactly the bytes a single pass
// over the whole stream would give from that point.

#include <atomic>
#include <cstdint>
#include <thread>

class TailInflater {
public:
    // Inflates the raw deflate blocks from `from` in the file open as `fd`, which
    // must end with them and the stream's 4-byte check value at `end`, writing the
    // plain bytes into the file open as `outFd` from offset `outAt` on; a tail of
    // more than `maxLength` bytes fails, so nothing is written past that.
    TailInflater(int fd, std::uint64_t from, std::uint64_t end, std::uint64_t maxLength, int outFd,
                 std::uint64_t outAt);
    // Stops the thread if it is still working.
    ~TailInflater();
    TailInflater(const TailInflater&) = delete;
    TailInflater& operator=(const TailInflater&) = delete;

    // Waits for the thread; true when the blocks ended in a final block followed
    // by exactly the check value, and every plain byte was written.
    bool finish();
    // Stops the thread and waits for it: nothing more is written after this.
    void stop();

    // Valid after finish() returned true.
    std::uint64_t length() const { return length_; }
    std::uint32_t adler() const { return adler_; }
    std::uint32_t checkValue() const { return checkValue_; }

private:
    bool run();

    const int fd_;
    const std::uint64_t from_, end_, maxLength_;
    const int outFd_;
    const std::uint64_t outAt_;
    std::uint64_t length_ = 0;
    std::uint32_t adler_ = 1, checkValue_ = 0;
    std::atomic<bool> stop_{false};
    bool ok_ = false;
    std::thread thread_;
};
