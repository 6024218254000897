#include "package/TailInflater.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <system_error>
#include <vector>

#include "foundation/ByteSink.h"

namespace {

constexpr std::size_t kBufferSize = 128 * 1024;

} // namespace

TailInflater::TailInflater(int fd, std::uint64_t from, std::uint64_t end, std::uint64_t maxLength, int outFd,
                           std::uint64_t outAt)
    : fd_(fd), from_(from), end_(end), maxLength_(maxLength), outFd_(outFd), outAt_(outAt)
{
    try {
        thread_ = std::thread([this] { ok_ = run(); });
    } catch (const std::system_error&) {
        // No thread: the caller inflates everything itself.
    }
}

TailInflater::~TailInflater()
{
    stop();
}

void TailInflater::stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

bool TailInflater::finish()
{
    if (!thread_.joinable())
        return false;
    thread_.join();
    return ok_;
}

bool TailInflater::run()
{
    std::vector<unsigned char> input(kBufferSize), output(kBufferSize);
    inflate_state state;
    isal_inflate_init(&state); // raw deflate: no header, no check value
    std::uint64_t offset = from_;
    while (state.block_state != ISAL_BLOCK_FINISH) {
        if (stop_)
            return false;
        if (state.avail_in == 0) {
            std::size_t want = end_ - offset < kBufferSize ? static_cast<std::size_t>(end_ - offset) : kBufferSize;
            // Out of input before the final block: the stream is cut short.
            if (want == 0 || !readFully(fd_, input.data(), want, offset))
                return false;
            offset += want;
            state.next_in = input.data();
            state.avail_in = static_cast<std::uint32_t>(want);
        }
        state.next_out = output.data();
        state.avail_out = static_cast<std::uint32_t>(kBufferSize);
        // Damage, or a back-reference before `from` (ISAL_INVALID_LOOKBACK).
        if (isal_inflate(&state) != ISAL_DECOMP_OK)
            return false;
        std::size_t got = kBufferSize - state.avail_out;
        length_ += got;
        if (length_ > maxLength_)
            return false;
        adler_ = libdeflate_adler32(adler_, output.data(), got);
        if (!writeFully(outFd_, output.data(), got, outAt_ + length_ - got))
            return false;
    }
    // ISA-L reads ahead: the whole bytes it holds past the final block were never
    // part of it. Exactly the check value must follow.
    std::uint64_t after = (end_ - offset) + state.avail_in + static_cast<std::uint64_t>(state.read_in_length) / 8;
    unsigned char trailer[4];
    if (after != sizeof trailer || state.tmp_in_size != 0 || !readFully(fd_, trailer, sizeof trailer, end_ - 4))
        return false;
    for (unsigned char byte : trailer)
        checkValue_ = (checkValue_ << 8) | byte;
    return true;
}
