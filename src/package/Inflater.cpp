#include "package/Inflater.h"

#include <cerrno>
#include <cstring>
#include <isa-l/igzip_lib.h>
#include <memory>
#include <new>
#include <optional>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "foundation/Cpus.h"
#include "package/PieceInflater.h"
#include "package/StreamChecks.h"
#include "package/StrictChecker.h"

namespace {

constexpr std::size_t kBufferSize = 128 * 1024;
constexpr std::size_t kZlibHeaderSize = 2;

// Where the next empty stored block after `from` in `block` ends, also one that
// began in the last bytes of the block before (`carried`).
std::optional<std::size_t> nextMarkerEnd(const unsigned char* block, std::size_t size, std::size_t from,
                                         const unsigned char* carried, std::size_t carriedSize)
{
    if (from == 0 && carriedSize > 0) {
        unsigned char seam[6];
        const std::size_t head = std::min<std::size_t>(3, size);
        std::memcpy(seam, carried, carriedSize);
        std::memcpy(seam + carriedSize, block, head);
        if (const unsigned char* at = findEmptyStoredBlock(seam, carriedSize + head))
            return static_cast<std::size_t>(at - seam) + 4 - carriedSize;
    }
    if (const unsigned char* at = findEmptyStoredBlock(block + from, size - from))
        return static_cast<std::size_t>(at - block) + 4;
    return std::nullopt;
}

// Whether zlib itself inflates the stream from `from` to the end of `fd` to
// exactly `expectedLength` bytes: the check of a stream whose pieces could not
// be proven one by one.
bool zlibAccepts(int fd, std::uint64_t from, std::uint64_t expectedLength)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        throw std::bad_alloc();
    std::vector<unsigned char> input(kBufferSize), output(kBufferSize);
    std::uint64_t produced = 0;
    int status = Z_OK;
    for (std::uint64_t offset = from; status == Z_OK;) {
        const ssize_t got = pread(fd, input.data(), input.size(), static_cast<off_t>(offset));
        if (got <= 0)
            break;
        offset += static_cast<std::uint64_t>(got);
        stream.next_in = input.data();
        stream.avail_in = static_cast<uInt>(got);
        do {
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(output.size());
            status = inflate(&stream, Z_NO_FLUSH);
            produced += output.size() - stream.avail_out;
        } while (status == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0));
        if (status == Z_BUF_ERROR)
            status = Z_OK;
    }
    // ISA-L has already found that nothing follows the stream.
    const bool accepted = status == Z_STREAM_END && stream.avail_in == 0 && produced == expectedLength;
    inflateEnd(&stream);
    return accepted;
}

// The one ISA-L inflate loop: the zlib stream from `from` in `fd`, read in blocks.
// The input given to ISA-L is cut just after every empty stored block, so that it
// stops there; where it then stands between two blocks with every bit used, that
// is a boundary between pieces.
class IsalInflater {
public:
    IsalInflater(int fd, std::uint64_t from, std::uint64_t expectedLength, PieceIndex* pieces, StrictChecker& checker)
        : fd_(fd), from_(from), offset_(from), expectedLength_(expectedLength), pieces_(pieces), checker_(checker),
          state_(std::make_unique<inflate_state>())
    {
        isal_inflate_init(state_.get());
        // ISA-L reads the header again and verifies the Adler-32 at the end.
        state_->crc_flag = ISAL_ZLIB;
    }

    Inflated run(ByteSink& out)
    {
        while (state_->block_state != ISAL_BLOCK_FINISH) {
            const ssize_t got = pread(fd_, input_.data(), input_.size(), static_cast<off_t>(offset_));
            if (got <= 0) // the file ends, or cannot be read, before the stream does
                return Inflated::Damaged;
            const std::size_t size = static_cast<std::size_t>(got);
            std::size_t used = 0;
            if (offset_ == from_) {
                if (size < kZlibHeaderSize || !acceptableZlibHeader(input_[0], input_[1]))
                    return Inflated::Damaged;
                record(from_ + kZlibHeaderSize);
            }
            while (used < size && state_->block_state != ISAL_BLOCK_FINISH) {
                const std::optional<std::size_t> marker =
                    nextMarkerEnd(input_.data(), size, used, carried_, carriedSize_);
                const std::size_t cut = marker.value_or(size);
                if (std::optional<Inflated> stopped = inflate(input_.data() + used, cut - used, out))
                    return *stopped;
                // The checker sees the deflate data, without the zlib header.
                const std::size_t header = offset_ == from_ && used == 0 ? kZlibHeaderSize : 0;
                checker_.bytes(input_.data() + used + header, cut - used - header);
                used = cut;
                if (marker && betweenBlocks(*state_))
                    record(offset_ + cut);
            }
            carry(size);
            offset_ += size;
            // Input left over after the stream's end is a trailing byte.
            if (used < size)
                return Inflated::Damaged;
        }
        // ISA-L reads ahead: bytes it holds past the check value are trailing bytes too.
        const bool heldBack = state_->avail_in > 0 || state_->read_in_length > 0 || state_->tmp_in_size > 0;
        unsigned char more;
        if (produced_ != expectedLength_ || heldBack || pread(fd_, &more, 1, static_cast<off_t>(offset_)) != 0)
            return Inflated::Damaged;
        if (!checker_.finish(produced_) && !zlibAccepts(fd_, from_, expectedLength_))
            return Inflated::Damaged;
        if (pieces_ != nullptr)
            for (const StrictChecker::Proven& piece : checker_.proven())
                pieces_->prove(piece.plainEnd, piece.fingerprint);
        return Inflated::Ok;
    }

private:
    // Inflates `size` bytes of input as far as they go.
    std::optional<Inflated> inflate(unsigned char* data, std::size_t size, ByteSink& out)
    {
        state_->next_in = data;
        state_->avail_in = static_cast<std::uint32_t>(size);
        do {
            const std::uint32_t before = state_->avail_in;
            state_->next_out = output_.data();
            state_->avail_out = static_cast<std::uint32_t>(output_.size());
            if (isal_inflate(state_.get()) != ISAL_DECOMP_OK)
                return Inflated::Damaged;
            const std::size_t got = output_.size() - state_->avail_out;
            if (got == 0 && before > 0 && state_->avail_in == before && state_->block_state != ISAL_BLOCK_FINISH)
                return Inflated::Damaged; // no progress with input to spare
            produced_ += got;
            // More than announced is damage; the sink never sees bytes past the length.
            if (produced_ > expectedLength_)
                return Inflated::Damaged;
            if (got > 0 && !out.put(output_.data(), got))
                return Inflated::WriteError;
            // Stopped for want of input, with all it could make put out.
        } while (state_->block_state != ISAL_BLOCK_FINISH && (state_->avail_in > 0 || state_->avail_out == 0));
        return std::nullopt;
    }

    void record(std::uint64_t packed)
    {
        if (produced_ > 0)
            checker_.boundary(produced_);
        if (pieces_ != nullptr)
            pieces_->record(packed, produced_);
    }

    // Keeps the block's last 3 bytes, where an empty stored block may begin.
    void carry(std::size_t size)
    {
        carriedSize_ = std::min<std::size_t>(3, size);
        std::memcpy(carried_, input_.data() + size - carriedSize_, carriedSize_);
    }

    const int fd_;
    const std::uint64_t from_;
    std::uint64_t offset_;
    const std::uint64_t expectedLength_;
    PieceIndex* pieces_;
    StrictChecker& checker_;
    std::unique_ptr<inflate_state> state_;
    std::vector<unsigned char> input_ = std::vector<unsigned char>(kBufferSize);
    std::vector<unsigned char> output_ = std::vector<unsigned char>(kBufferSize);
    unsigned char carried_[3] = {};
    std::size_t carriedSize_ = 0;
    std::uint64_t produced_ = 0;
};

// Drops the first bytes put, which went out already, noting their Adler-32, and
// passes on the rest.
class SkipSink : public ByteSink {
public:
    SkipSink(ByteSink& next, std::uint64_t skip) : next_(next), skip_(skip) {}
    bool put(const unsigned char* data, std::size_t size) override
    {
        const std::size_t skipped = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, size));
        skip_ -= skipped;
        if (skipped > 0)
            adler_ = static_cast<std::uint32_t>(adler32(adler_, data, static_cast<uInt>(skipped)));
        return skipped == size || next_.put(data + skipped, size - skipped);
    }
    std::uint32_t adler() const { return adler_; }

private:
    ByteSink& next_;
    std::uint64_t skip_;
    std::uint32_t adler_ = 1;
};

} // namespace

Inflated inflatePayload(int fd, std::uint64_t from, std::uint64_t expectedLength, ByteSink& out, PieceIndex* pieces)
{
    Emitted emitted;
    if (std::optional<Inflated> done = inflatePieces(fd, from, expectedLength, out, pieces, emitted))
        return *done;
    // Front to back from the start: what went out already is made again, and dropped.
    if (pieces != nullptr)
        *pieces = PieceIndex();
    SkipSink rest(out, emitted.bytes);
    // With one CPU, a thread would only add switching to the same work.
    StrictChecker checker(usableCpus() >= 2);
    const Inflated result = IsalInflater(fd, from, expectedLength, pieces, checker).run(rest);
    // The bytes that went out the first way must be those this way made.
    return result == Inflated::Ok && rest.adler() != emitted.adler ? Inflated::Damaged : result;
}
