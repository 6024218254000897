#include <array>
#include <cerrno>
#include <cstring>
#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <limits>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

#include "package/Codec.h"
#include "package/StoredBlockMarker.h"
#include "package/TailInflater.h"

namespace {

constexpr std::size_t kBufferSize = 128 * 1024;
// Below this a second thread saves less than it costs to start.
constexpr std::uint64_t kTwoThreadMinimum = 4 * 1024 * 1024;
// Our writer leaves an empty stored block after every chunk; a cut is
// looked for this far past the middle of the stream.
constexpr std::uint64_t kCutWindow = 8 * 1024 * 1024;

// The header checks zlib's inflate makes for a stream with the default 32 KiB
// window: the header's check bits, the deflate method, a window of at most
// 32 KiB, no preset dictionary.
bool acceptableHeader(unsigned char cmf, unsigned char flg)
{
    return (cmf * 256u + flg) % 31 == 0 && (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && !(flg & 0x20);
}

// One pass over the whole stream, which may pause after a given number of input
// bytes and go on from there later.
class SerialInflater {
public:
    SerialInflater(FILE* in, std::uint64_t expectedLength) : in_(in), expectedLength_(expectedLength)
    {
        isal_inflate_init(&state_);
        // ISA-L reads the header again and verifies the Adler-32 at the end.
        state_.crc_flag = ISAL_ZLIB;
    }

    // Inflates into `out` until the stream is done, or returns nothing once
    // `inputLimit` bytes have been read and inflated as far as they go.
    std::optional<Inflated> run(std::uint64_t inputLimit, ByteSink& out)
    {
        while (state_.block_state != ISAL_BLOCK_FINISH) {
            if (state_.avail_in == 0 && !atEnd_) {
                // Room left in the output means ISA-L stopped for want of input.
                if (read_ == inputLimit && state_.avail_out > 0)
                    return std::nullopt;
                if (read_ < inputLimit && !readMore(inputLimit))
                    return Inflated::Damaged;
            }
            std::uint32_t availableBefore = state_.avail_in;
            state_.next_out = output_.data();
            state_.avail_out = static_cast<std::uint32_t>(kBufferSize);
            if (isal_inflate(&state_) != ISAL_DECOMP_OK)
                return Inflated::Damaged;
            std::size_t got = kBufferSize - state_.avail_out;
            // No progress with all input given: the stream is cut short.
            if (got == 0 && state_.avail_in == availableBefore && atEnd_ && state_.block_state != ISAL_BLOCK_FINISH)
                return Inflated::Damaged;
            produced_ += got;
            // More than announced is damage; the sink never sees bytes past the length.
            if (produced_ > expectedLength_)
                return Inflated::Damaged;
            if (got > 0 && !out.put(output_.data(), got))
                return Inflated::WriteError;
        }
        // ISA-L reads ahead: bytes it holds past the check value are trailing bytes too.
        bool heldBack = state_.avail_in > 0 || state_.read_in_length > 0 || state_.tmp_in_size > 0;
        if (produced_ != expectedLength_ || heldBack || std::ferror(in_))
            return Inflated::Damaged;
        int savedErrno = errno;
        bool trailing = std::fgetc(in_) != EOF;
        errno = savedErrno;
        return trailing || std::ferror(in_) ? Inflated::Damaged : Inflated::Ok;
    }

    // After a pause: the input read ended exactly where a block ends, and every
    // plain byte before it was put, so the next block starts the rest. ISA-L may
    // have gone on to look for the next block's header: with no bit of it read or
    // kept, that is the same place.
    bool betweenBlocks() const
    {
        const bool atHeader = state_.block_state == ISAL_BLOCK_NEW_HDR || state_.block_state == ISAL_BLOCK_HDR;
        return atHeader && state_.avail_in == 0 && state_.read_in_length == 0 && state_.tmp_in_size == 0 &&
               state_.tmp_out_valid == state_.tmp_out_processed;
    }

    std::uint64_t produced() const { return produced_; }

private:
    bool readMore(std::uint64_t inputLimit)
    {
        std::size_t want =
            inputLimit - read_ < kBufferSize ? static_cast<std::size_t>(inputLimit - read_) : kBufferSize;
        state_.next_in = input_.data();
        state_.avail_in = static_cast<std::uint32_t>(std::fread(input_.data(), 1, want, in_));
        atEnd_ = state_.avail_in < want;
        bool first = read_ == 0;
        read_ += state_.avail_in;
        return !first || (state_.avail_in >= 2 && acceptableHeader(input_[0], input_[1]));
    }

    FILE* in_;
    const std::uint64_t expectedLength_;
    std::vector<unsigned char> input_ = std::vector<unsigned char>(kBufferSize);
    std::vector<unsigned char> output_ = std::vector<unsigned char>(kBufferSize);
    inflate_state state_;
    std::uint64_t read_ = 0, produced_ = 0;
    bool atEnd_ = false;
};

// The head's bytes on their way to the sink: their Adler-32 is computed, and the
// tail, which writes into the same file from `tailStart` on, is stopped before a
// byte of the head would land there (when the two do not join up after all).
class HeadSink : public ByteSink {
public:
    HeadSink(ByteSink& next, TailInflater& tail, std::uint64_t tailStart)
        : next_(next), tail_(tail), tailStart_(tailStart)
    {
    }

    bool put(const unsigned char* data, std::size_t size) override
    {
        if (put_ + size > tailStart_)
            tail_.stop();
        put_ += size;
        adler_ = libdeflate_adler32(adler_, data, size);
        return next_.put(data, size);
    }

    std::uint32_t adler() const { return adler_; }

private:
    ByteSink& next_;
    TailInflater& tail_;
    const std::uint64_t tailStart_;
    std::uint64_t put_ = 0;
    std::uint32_t adler_ = 1;
};

// File offsets: the stream starts at `start`, the tail at `cut`, the file ends at
// `end`; `plainAt` is where the tail's plain bytes start if our writer made the stream.
struct Cut {
    std::uint64_t start, cut, end, plainAt;
};

// The first 8 plain bytes of the zlib stream at `from` in `fd`, if they come out
// of its first 64 KiB.
std::optional<std::array<unsigned char, 8>> peekHead(int fd, std::uint64_t from, std::uint64_t end)
{
    std::vector<unsigned char> input(static_cast<std::size_t>(std::min<std::uint64_t>(end - from, 64 * 1024)));
    std::vector<unsigned char> output(64 * 1024);
    if (!readFully(fd, input.data(), input.size(), from))
        return std::nullopt;
    auto state = std::make_unique<inflate_state>();
    isal_inflate_init(state.get());
    state->crc_flag = ISAL_ZLIB;
    state->next_in = input.data();
    state->avail_in = static_cast<std::uint32_t>(input.size());
    state->next_out = output.data();
    state->avail_out = static_cast<std::uint32_t>(output.size());
    std::array<unsigned char, 8> head{};
    // ISA-L stops short of a full buffer when the input runs out mid-block; 8 bytes are all it takes.
    if (isal_inflate(state.get()) != ISAL_DECOMP_OK || output.size() - state->avail_out < head.size())
        return std::nullopt;
    std::copy_n(output.begin(), head.size(), head.begin());
    return head;
}

// Where a large stream in a regular file may be cut in two: just after the
// first empty stored block from its middle on, which ends every chunk our
// writer makes but the last, so that the markers before it count the chunks of
// plain bytes before the tail. Such bytes may also occur by chance, and other
// writers flush elsewhere: the caller checks that the two parts join up exactly.
std::optional<Cut> findCut(FILE* in, GridOf gridOf)
{
    struct stat status {};
    off_t start = ftello(in);
    if (start < 0 || fstat(fileno(in), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size < start + static_cast<off_t>(kTwoThreadMinimum))
        return std::nullopt;
    const std::uint64_t from = static_cast<std::uint64_t>(start), end = static_cast<std::uint64_t>(status.st_size);
    const std::uint64_t middle = from + (end - from) / 2;
    std::optional<std::uint64_t> cut;
    std::uint64_t chunks = 0;
    if (!findMarkers(fileno(in), from, std::min(middle + kCutWindow, end - sizeof kEmptyStoredBlock),
                     [&](std::uint64_t at) {
                         ++chunks;
                         if (at >= middle)
                             cut = at + sizeof kEmptyStoredBlock;
                         return !cut;
                     }) ||
        !cut)
        return std::nullopt;
    std::optional<std::array<unsigned char, 8>> head = peekHead(fileno(in), from, end);
    if (!head)
        return std::nullopt;
    const ChunkGrid grid = gridOf != nullptr ? gridOf(head->data()) : ChunkGrid{};
    return Cut{from, *cut, end, grid.start(chunks)};
}

} // namespace

Inflated inflateStream(FILE* in, std::uint64_t expectedLength, ByteSink& out, unsigned workers, GridOf gridOf)
{
    SerialInflater serial(in, expectedLength);
    // A sink that keeps only what it reads (a listing) has no file for the tail
    // to write into: it gets the single pass.
    std::uint64_t outAt = 0;
    const int outFd = workers > 0 ? out.directFd(outAt) : -1;
    std::optional<Cut> cut = outFd >= 0 ? findCut(in, gridOf) : std::nullopt;
    if (cut && cut->plainAt > 0 && cut->plainAt < expectedLength) {
        // The tail is inflated straight into its place in the output while this
        // thread inflates the head; when the two do not join up exactly, this
        // thread goes on alone, over whatever the tail wrote, as if nothing had
        // been tried, so the result is always the single pass's.
        TailInflater tail(fileno(in), cut->cut, cut->end, expectedLength - cut->plainAt, outFd, outAt + cut->plainAt);
        HeadSink head(out, tail, cut->plainAt);
        if (std::optional<Inflated> result = serial.run(cut->cut - cut->start, head))
            return *result;
        if (tail.finish() && serial.betweenBlocks() && serial.produced() == cut->plainAt &&
            serial.produced() + tail.length() == expectedLength &&
            adler32_combine64(head.adler(), tail.adler(), static_cast<z_off64_t>(tail.length())) == tail.checkValue())
            return out.skipWritten(tail.length()) ? Inflated::Ok : Inflated::WriteError;
    }
    return *serial.run(std::numeric_limits<std::uint64_t>::max(), out);
}
