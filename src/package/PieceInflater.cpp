#include "package/PieceInflater.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <libdeflate.h>
#include <memory>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

#include "foundation/ByteOrder.h"
#include "foundation/JobLane.h"
#include "package/PackedBytes.h"
#include "package/PieceDecoder.h"
#include "package/PieceGrid.h"
#include "package/StreamChecks.h"

namespace {

constexpr std::size_t kZlibHeaderSize = 2, kCheckValueSize = 4;
// A run past these sizes is none of our writer's pieces.
constexpr std::size_t kMaxPacked = PieceGrid::kMaxPackedSize;
constexpr std::size_t kMaxPlain = PieceGrid::kPieceSize;
// Room past the largest piece, so that ISA-L never stops for want of output
// before it has read a piece's last bit.
constexpr std::size_t kPlainRoom = kMaxPlain + 64 * 1024;
constexpr std::size_t kReadSize = 128 * 1024;
// Runs being inflated while the next is read: one per thread.
constexpr std::size_t kInFlight = 2;

// One run of compressed bytes between two cuts, and what became of it.
struct Run {
    std::uint64_t packedEnd = 0; // file offset just after it
    PackedBytes packed;          // with PieceDecoder::kSuffixRoom to spare
    PackedBytes plain;           // its size is the room ISA-L was given
    std::size_t produced = 0;
    bool last = false;
    // Set by the job:
    bool sound = false, outOfMemory = false;
    std::uint64_t print = 0;
    std::uint32_t adler = 1; // of its plain bytes, made on the job's thread
    std::size_t job = 0;
};

// What one thread inflates and checks runs with.
struct Tools {
    inflate_state isal{};
    PieceDecoder decoder;
};

// Tools kept between jobs, whichever thread runs them.
class Shelf {
public:
    std::unique_ptr<Tools> take()
    {
        std::lock_guard lock(mutex_);
        if (tools_.empty())
            return std::make_unique<Tools>();
        std::unique_ptr<Tools> tools = std::move(tools_.back());
        tools_.pop_back();
        return tools;
    }
    void give(std::unique_ptr<Tools> tools)
    {
        std::lock_guard lock(mutex_);
        tools_.push_back(std::move(tools));
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<Tools>> tools_;
};

// Inflates a run on its own with ISA-L, then decodes it with libdeflate; takes
// the fingerprint of its compressed bytes when `indexed` (for a rewrite's reuse).
void inflateRun(Run& run, Tools& tools, bool indexed)
{
    inflate_state& state = tools.isal;
    isal_inflate_init(&state); // raw deflate, no history
    const std::size_t size = run.packed.size();
    state.next_in = run.packed.data();
    state.avail_in = static_cast<std::uint32_t>(size);
    state.next_out = run.plain.data();
    state.avail_out = static_cast<std::uint32_t>(run.plain.size());
    std::uint32_t before;
    do {
        before = state.avail_in;
        if (isal_inflate(&state) != ISAL_DECOMP_OK)
            return;
    } while (state.block_state != ISAL_BLOCK_FINISH && state.avail_in > 0 && state.avail_in < before);
    run.produced = run.plain.size() - state.avail_out;
    if (run.produced > kMaxPlain || (run.last ? state.block_state != ISAL_BLOCK_FINISH : !betweenBlocks(state)))
        return;
    // libdeflate also proves that the last run's final block ends in its last
    // byte. It decodes over ISA-L's bytes: a stream it accepts has one decoding.
    if (!tools.decoder.decode(run.packed.data(), size,
                              run.last ? PieceDecoder::End::Final : PieceDecoder::End::BetweenBlocks,
                              run.plain.data(), run.produced))
        return;
    if (indexed)
        run.print = fingerprint(run.packed.data(), size);
    run.adler = libdeflate_adler32(1, run.plain.data(), run.produced);
    run.sound = true;
}

class PieceReader {
public:
    PieceReader(int fd, std::uint64_t from, std::uint64_t expectedLength, ByteSink& out, PieceIndex* pieces,
                Emitted& emitted)
        : fd_(fd), from_(from), expectedLength_(expectedLength), out_(out), pieces_(pieces), emitted_(emitted)
    {
    }

    std::optional<Inflated> read()
    {
        struct stat status {};
        unsigned char header[kZlibHeaderSize], trailer[kCheckValueSize];
        if (fstat(fd_, &status) != 0 || static_cast<std::uint64_t>(status.st_size) < from_ + 8)
            return std::nullopt;
        const std::uint64_t deflateEnd = static_cast<std::uint64_t>(status.st_size) - kCheckValueSize;
        if (!readFully(fd_, header, sizeof header, from_) || !acceptableZlibHeader(header[0], header[1]) ||
            !readFully(fd_, trailer, sizeof trailer, deflateEnd))
            return std::nullopt;
        std::uint64_t offset = from_ + kZlibHeaderSize;
        if (pieces_ != nullptr)
            pieces_->record(offset, 0);
        // Bytes read past the last cut, for the next run.
        std::vector<unsigned char> carried;
        while (offset < deflateEnd || !carried.empty()) {
            std::unique_ptr<Run> run = spare();
            if (!cut(*run, offset, deflateEnd, carried))
                return std::nullopt;
            // A small payload gets small buffers: no run makes more than all of it.
            const std::size_t room =
                static_cast<std::size_t>(std::min<std::uint64_t>(kPlainRoom, expectedLength_ + kPlainRoom - kMaxPlain));
            run->plain.reserve(room);
            run->plain.resize(room);
            window_.push_back(std::move(run));
            Run& queued = *window_.back();
            queued.job = lane_.submit([this, &queued] { inflateJob(queued); });
            if (window_.size() > kInFlight)
                if (std::optional<Inflated> stop = settle(); stop != Inflated::Ok)
                    return stop;
        }
        while (!window_.empty())
            if (std::optional<Inflated> stop = settle(); stop != Inflated::Ok)
                return stop;
        if (!finished_ || emitted_.bytes != expectedLength_ || emitted_.adler != loadBig32(trailer))
            return std::nullopt;
        return Inflated::Ok;
    }

private:
    std::unique_ptr<Run> spare()
    {
        if (spare_.empty())
            return std::make_unique<Run>();
        std::unique_ptr<Run> run = std::move(spare_.back());
        spare_.pop_back();
        return run;
    }

    // Fills `run` with the bytes up to the next cut, or to the end of the deflate
    // data; false when no cut comes within a piece's size.
    bool cut(Run& run, std::uint64_t& offset, std::uint64_t deflateEnd, std::vector<unsigned char>& carried)
    {
        const std::uint64_t left = carried.size() + (deflateEnd - offset);
        unsigned char* data = run.packed.reserve(
            static_cast<std::size_t>(std::min<std::uint64_t>(kMaxPacked + kReadSize, left)) + PieceDecoder::kSuffixRoom);
        std::size_t size = carried.size(), scanned = 0;
        if (!carried.empty())
            std::memcpy(data, carried.data(), carried.size());
        carried.clear();
        for (;;) {
            const std::size_t from = scanned >= 3 ? scanned - 3 : 0;
            const unsigned char* at = findEmptyStoredBlock(data + from, size - from);
            const std::size_t end = at != nullptr ? static_cast<std::size_t>(at - data) + 4 : 0;
            // The same bytes at the very end are the last piece's (an empty final stored block, say).
            if (at != nullptr && !(end == size && offset == deflateEnd)) {
                carried.assign(data + end, data + size);
                run.packed.resize(end);
                run.packedEnd = offset - carried.size();
                run.last = false;
                return true;
            }
            scanned = size;
            if (offset == deflateEnd) {
                run.packed.resize(size);
                run.packedEnd = offset;
                run.last = true;
                return true;
            }
            if (size > kMaxPacked)
                return false;
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kReadSize, deflateEnd - offset));
            if (!readFully(fd_, data + size, want, offset))
                return false;
            size += want;
            offset += want;
        }
    }

    void inflateJob(Run& run)
    {
        // A run's buffers are used again: nothing of the last use may stand.
        run.sound = run.outOfMemory = false;
        run.produced = 0;
        try {
            std::unique_ptr<Tools> tools = shelf_.take();
            inflateRun(run, *tools, pieces_ != nullptr);
            shelf_.give(std::move(tools));
        } catch (const std::bad_alloc&) {
            run.outOfMemory = true; // thrown on the reading thread
        }
    }

    // Puts out the oldest run's plain bytes once it is proven; Ok to go on.
    std::optional<Inflated> settle()
    {
        std::unique_ptr<Run> run = std::move(window_.front());
        window_.pop_front();
        lane_.wait(run->job);
        if (run->outOfMemory)
            throw std::bad_alloc();
        if (!run->sound || run->produced > expectedLength_ - emitted_.bytes)
            return std::nullopt;
        if (!out_.put(run->plain.data(), run->produced))
            return Inflated::WriteError;
        emitted_.adler = static_cast<std::uint32_t>(
            adler32_combine64(emitted_.adler, run->adler, static_cast<z_off64_t>(run->produced)));
        emitted_.bytes += run->produced;
        finished_ = run->last;
        if (pieces_ != nullptr && !run->last) {
            pieces_->record(run->packedEnd, emitted_.bytes);
            pieces_->prove(emitted_.bytes, run->print);
        }
        spare_.push_back(std::move(run));
        return Inflated::Ok;
    }

    const int fd_;
    const std::uint64_t from_, expectedLength_;
    ByteSink& out_;
    PieceIndex* pieces_;
    Emitted& emitted_;
    bool finished_ = false; // the last run put out ended with the final block
    Shelf shelf_;
    std::deque<std::unique_ptr<Run>> window_;
    std::vector<std::unique_ptr<Run>> spare_;
    // Declared last: every job ends before the runs it works on go.
    JobLane lane_;
};

} // namespace

std::optional<Inflated> inflatePieces(int fd, std::uint64_t from, std::uint64_t expectedLength, ByteSink& out,
                                      PieceIndex* pieces, Emitted& emitted)
{
    return PieceReader(fd, from, expectedLength, out, pieces, emitted).read();
}
