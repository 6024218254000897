#include "package/Deflater.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <libdeflate.h>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "foundation/ByteOrder.h"
#include "foundation/Cpus.h"
#include "package/PieceCompressor.h"
#include "package/ReusablePieces.h"

namespace {

// zlib header: deflate with a 32 KiB window, default level, no dictionary.
constexpr unsigned char kZlibHeader[2] = {0x78, 0x9C};

struct Piece {
    std::uint64_t start = 0; // plain offset in the stream
    std::vector<unsigned char> plain;
    PackedBytes packed;
    bool last = false;
    bool done = false;
    bool outOfMemory = false; // told to the writing thread, which throws
};

// What one thread compresses and checks pieces with.
struct PieceTools {
    PieceCompressor compressor;
    ReusablePieces::Checker checker;
};

} // namespace

struct Deflater::Impl {
    ByteSink& out;
    ReusablePieces* reuse;
    const PieceGrid grid;
    std::uint64_t submitted = 0; // pieces
    std::optional<PieceTools> inlineTools; // only without workers
    Piece inlinePiece;
    std::vector<unsigned char> pending;
    std::uint32_t adler = 1;
    bool headerWritten = false;
    bool failed = false;
    int savedErrno = 0;

    // Pieces in input order, compressed or not; the front is written first.
    std::deque<std::unique_ptr<Piece>> inFlight;
    std::vector<std::unique_ptr<Piece>> spare;
    std::size_t maxInFlight = 0; // one per worker: the memory stays a few pieces
    std::mutex mutex;
    std::condition_variable work, done;
    std::deque<Piece*> queue;
    bool stopping = false;
    std::vector<std::thread> threads;

    Impl(ByteSink& sink, unsigned workers, ReusablePieces* reusable, PieceGrid pieceGrid)
        : out(sink), reuse(reusable), grid(pieceGrid)
    {
        pending.reserve(PieceGrid::kPieceSize);
        for (unsigned i = 0; i < workers; ++i) {
            try {
                threads.emplace_back([this] { runWorker(); });
            } catch (const std::system_error&) {
                break; // a thread that cannot start: work with those that did, or inline
            }
        }
        maxInFlight = threads.size();
        if (threads.empty())
            inlineTools.emplace();
    }

    ~Impl()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        work.notify_all();
        for (auto& thread : threads)
            thread.join();
    }

    void runWorker()
    {
        std::optional<PieceTools> tools;
        std::unique_lock lock(mutex);
        for (;;) {
            work.wait(lock, [this] { return stopping || !queue.empty(); });
            if (stopping)
                return;
            Piece* piece = queue.front();
            queue.pop_front();
            lock.unlock();
            try {
                if (!tools)
                    tools.emplace();
                pack(*tools, *piece);
            } catch (const std::bad_alloc&) {
                piece->outOfMemory = true;
            }
            lock.lock();
            piece->done = true;
            done.notify_all();
        }
    }

    // The last piece, which ends the stream with a final block, is always compressed.
    void pack(PieceTools& tools, Piece& piece)
    {
        if (piece.last || reuse == nullptr ||
            !reuse->take(piece.start, piece.plain.data(), piece.plain.size(), piece.packed, tools.checker))
            tools.compressor.compress(piece.plain.data(), piece.plain.size(), piece.last, piece.packed);
    }

    bool write(const unsigned char* data, std::size_t size)
    {
        if (failed)
            return false;
        if ((!headerWritten && !out.put(kZlibHeader, sizeof kZlibHeader)) || !out.put(data, size)) {
            failed = true;
            savedErrno = errno;
            return false;
        }
        headerWritten = true;
        return true;
    }

    bool succeeded()
    {
        if (failed)
            errno = savedErrno;
        return !failed;
    }

    bool writeFront()
    {
        Piece* front = inFlight.front().get();
        {
            std::unique_lock lock(mutex);
            done.wait(lock, [front] { return front->done; });
        }
        if (front->outOfMemory)
            throw std::bad_alloc();
        bool ok = write(front->packed.data(), front->packed.size());
        spare.push_back(std::move(inFlight.front()));
        inFlight.pop_front();
        return ok;
    }

    bool submit(bool last)
    {
        // libdeflate takes a null buffer to ask for the initial value.
        if (!pending.empty())
            adler = libdeflate_adler32(adler, pending.data(), pending.size());
        const std::uint64_t start = grid.start(submitted++);
        if (inlineTools) {
            inlinePiece.start = start;
            inlinePiece.last = last;
            inlinePiece.plain.swap(pending);
            pending.clear();
            pack(*inlineTools, inlinePiece);
            return write(inlinePiece.packed.data(), inlinePiece.packed.size());
        }
        if (inFlight.size() == maxInFlight && !writeFront())
            return false;
        std::unique_ptr<Piece> piece;
        if (spare.empty()) {
            piece = std::make_unique<Piece>();
            piece->plain.reserve(PieceGrid::kPieceSize);
        } else {
            piece = std::move(spare.back());
            spare.pop_back();
        }
        piece->plain.swap(pending);
        pending.clear();
        piece->start = start;
        piece->last = last;
        piece->done = false;
        {
            std::lock_guard lock(mutex);
            queue.push_back(piece.get());
        }
        inFlight.push_back(std::move(piece));
        work.notify_one();
        return true;
    }
};

Deflater::Deflater(ByteSink& out, unsigned workers, ReusablePieces* reuse, PieceGrid grid)
    : impl_(std::make_unique<Impl>(out, workers, reuse, grid))
{
}

Deflater::~Deflater() = default;

bool Deflater::put(const unsigned char* data, std::size_t size)
{
    Impl& impl = *impl_;
    while (size > 0) {
        const std::size_t pieceSize = static_cast<std::size_t>(impl.grid.size(impl.submitted));
        const std::size_t take = std::min(size, pieceSize - impl.pending.size());
        impl.pending.insert(impl.pending.end(), data, data + take);
        data += take;
        size -= take;
        // A full piece is never the last: the stream's end is the remainder, even when empty.
        if (impl.pending.size() == pieceSize && !impl.submit(false))
            break;
    }
    return impl.succeeded();
}

bool Deflater::finish()
{
    Impl& impl = *impl_;
    impl.submit(true);
    while (!impl.inFlight.empty())
        impl.writeFront();
    unsigned char trailer[4];
    storeBig32(trailer, impl.adler);
    impl.write(trailer, sizeof trailer);
    return impl.succeeded();
}

unsigned Deflater::defaultWorkers()
{
    // With one CPU, threads would only add switching to the same work.
    return usableCpus() >= 2 ? 2 : 0;
}
