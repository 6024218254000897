#include "package/StrictChecker.h"

#include <new>
#include <system_error>

#include "package/PieceDecoder.h"
#include "package/PieceGrid.h"

namespace {

// Deflate never needs much more than the plain size; a piece past these sizes is
// none of our writer's.
constexpr std::size_t kMaxPlain = PieceGrid::kPieceSize;
constexpr std::size_t kMaxPacked = PieceGrid::kMaxPackedSize;
// Pieces waiting for the worker; past that the inflater's thread checks one itself.
constexpr std::size_t kMaxWaiting = 1;
// The zlib stream's check value follows the deflate data.
constexpr std::size_t kCheckValueSize = 4;

} // namespace

struct StrictChecker::Piece {
    std::vector<unsigned char> packed;
    std::uint64_t plainEnd = 0, plainSize = 0;
    PieceDecoder::End end = PieceDecoder::End::BetweenBlocks;
};

// What one thread checks pieces with, made on first use.
struct StrictChecker::Tools {
    PieceDecoder decoder;
    std::vector<unsigned char> plain = std::vector<unsigned char>(kMaxPlain);
};

StrictChecker::StrictChecker(bool threaded) : filling_(std::make_unique<Piece>())
{
    if (!threaded)
        return;
    try {
        thread_ = std::thread([this] { runWorker(); });
    } catch (const std::system_error&) {
        // No thread: every piece is checked inline, with the same result.
    }
}

StrictChecker::~StrictChecker()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void StrictChecker::bytes(const unsigned char* data, std::size_t size)
{
    if (unproven_)
        return;
    if (filling_->packed.size() + size > kMaxPacked) {
        unproven_ = true;
        filling_->packed = {};
        return;
    }
    if (filling_->packed.capacity() < kMaxPacked + PieceDecoder::kSuffixRoom)
        filling_->packed.reserve(kMaxPacked + PieceDecoder::kSuffixRoom);
    filling_->packed.insert(filling_->packed.end(), data, data + size);
}

void StrictChecker::boundary(std::uint64_t plain)
{
    close(plain, false);
}

void StrictChecker::close(std::uint64_t plain, bool final)
{
    std::unique_ptr<Piece> piece = std::move(filling_);
    piece->plainEnd = plain;
    piece->plainSize = plain - plainSoFar_;
    piece->end = final ? PieceDecoder::End::Final : PieceDecoder::End::BetweenBlocks;
    plainSoFar_ = plain;
    if (final && piece->packed.size() >= kCheckValueSize)
        piece->packed.resize(piece->packed.size() - kCheckValueSize);
    else if (final)
        unproven_ = true;
    if (piece->plainSize > kMaxPlain)
        unproven_ = true;

    std::unique_lock lock(mutex_);
    if (!spare_.empty()) {
        filling_ = std::move(spare_.back());
        spare_.pop_back();
    } else {
        filling_ = std::make_unique<Piece>();
    }
    filling_->packed.clear();
    if (unproven_)
        return;
    if (thread_.joinable() && queue_.size() < kMaxWaiting) {
        queue_.push_back(std::move(piece));
        changed_.notify_all();
        return;
    }
    // The worker is behind (or there is none): this thread checks the piece.
    ++busy_;
    lock.unlock();
    check(*piece, ownTools_);
    lock.lock();
    --busy_;
    spare_.push_back(std::move(piece));
}

void StrictChecker::check(Piece& piece, std::unique_ptr<Tools>& tools)
{
    if (!tools)
        tools = std::make_unique<Tools>();
    const std::size_t size = piece.packed.size();
    piece.packed.resize(size + PieceDecoder::kSuffixRoom);
    const bool sound = tools->decoder.decode(piece.packed.data(), size, piece.end, tools->plain.data(),
                                             static_cast<std::size_t>(piece.plainSize));
    // Refused by libdeflate: damaged, or a piece that needs the history before it,
    // which only zlib over the whole stream can tell apart.
    if (!sound) {
        unproven_ = true;
        return;
    }
    const std::uint64_t print = fingerprint(piece.packed.data(), size);
    std::lock_guard lock(mutex_);
    proven_.push_back({piece.plainEnd, print});
}

bool StrictChecker::finish(std::uint64_t plain)
{
    close(plain, true);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
    if (outOfMemory_)
        throw std::bad_alloc();
    return !unproven_;
}

void StrictChecker::runWorker()
{
    std::unique_ptr<Tools> tools;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        std::unique_ptr<Piece> piece = std::move(queue_.front());
        queue_.pop_front();
        ++busy_;
        lock.unlock();
        try {
            check(*piece, tools);
        } catch (const std::bad_alloc&) {
            lock.lock();
            outOfMemory_ = true; // thrown on the inflater's thread by finish()
            lock.unlock();
        }
        lock.lock();
        --busy_;
        spare_.push_back(std::move(piece));
        changed_.notify_all();
    }
}
