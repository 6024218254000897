#include <cerrno>
#include <condition_variable>
#include <deque>
#include <libdeflate.h>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "foundation/Cpus.h"
#include "package/ChunkCompressor.h"
#include "package/Codec.h"
#include "package/ReusableChunks.h"

namespace {

// zlib header: deflate with a 32 KiB window, default level, no dictionary.
constexpr unsigned char kZlibHeader[2] = {0x78, 0x9C};

struct Chunk {
    std::uint64_t start = 0; // plain offset in the stream
    std::vector<unsigned char> plain;
    PackedBytes packed;
    bool last = false;
    bool done = false;
};

} // namespace

struct Deflater::Impl {
    ByteSink& out;
    ReusableChunks* reuse;
    const ChunkGrid grid;
    std::uint64_t submitted = 0;                     // chunks
    std::optional<ChunkCompressor> inlineCompressor; // only without workers
    Chunk inlineChunk;
    std::vector<unsigned char> pending;
    std::uint32_t adler = 1;
    bool headerWritten = false;
    bool failed = false;
    int savedErrno = 0;

    // Chunks in input order, compressed or not; the front is written first.
    std::deque<std::unique_ptr<Chunk>> inFlight;
    std::vector<std::unique_ptr<Chunk>> spare;
    std::size_t maxInFlight; // one per worker: the memory stays a few chunks
    std::mutex mutex;
    std::condition_variable work, done;
    std::deque<Chunk*> queue;
    bool stopping = false;
    std::vector<std::thread> threads;

    Impl(ByteSink& sink, unsigned workers, ReusableChunks* reusable, ChunkGrid chunkGrid)
        : out(sink), reuse(reusable), grid(chunkGrid), maxInFlight(workers)
    {
        pending.reserve(kChunkSize);
        if (workers == 0) {
            inlineCompressor.emplace();
            inlineChunk.plain.reserve(kChunkSize);
        }
        for (unsigned i = 0; i < workers; ++i)
            threads.emplace_back([this] { runWorker(); });
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
        ChunkCompressor compressor;
        std::unique_lock lock(mutex);
        for (;;) {
            work.wait(lock, [this] { return stopping || !queue.empty(); });
            if (stopping)
                return;
            Chunk* chunk = queue.front();
            queue.pop_front();
            lock.unlock();
            pack(compressor, *chunk);
            lock.lock();
            chunk->done = true;
            done.notify_all();
        }
    }

    // The last chunk, which ends the stream with a final block, is always compressed.
    void pack(ChunkCompressor& compressor, Chunk& chunk)
    {
        if (chunk.last || reuse == nullptr ||
            !reuse->take(chunk.start, chunk.plain.data(), chunk.plain.size(), chunk.packed))
            compressor.compress(chunk.plain.data(), chunk.plain.size(), chunk.last, chunk.packed);
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
        Chunk* front = inFlight.front().get();
        {
            std::unique_lock lock(mutex);
            done.wait(lock, [front] { return front->done; });
        }
        bool ok = write(front->packed.data(), front->packed.size());
        spare.push_back(std::move(inFlight.front()));
        inFlight.pop_front();
        return ok;
    }

    bool submit(bool last)
    {
        adler = libdeflate_adler32(adler, pending.data(), pending.size());
        const std::uint64_t start = grid.start(submitted++);
        if (inlineCompressor) {
            inlineChunk.start = start;
            inlineChunk.last = last;
            inlineChunk.plain.swap(pending);
            pending.clear();
            pack(*inlineCompressor, inlineChunk);
            return write(inlineChunk.packed.data(), inlineChunk.packed.size());
        }
        if (inFlight.size() == maxInFlight && !writeFront())
            return false;
        std::unique_ptr<Chunk> chunk;
        if (spare.empty()) {
            chunk.reset(new Chunk);
            chunk->plain.reserve(kChunkSize);
        } else {
            chunk = std::move(spare.back());
            spare.pop_back();
        }
        chunk->plain.swap(pending);
        pending.clear();
        chunk->start = start;
        chunk->last = last;
        chunk->done = false;
        {
            std::lock_guard lock(mutex);
            queue.push_back(chunk.get());
        }
        inFlight.push_back(std::move(chunk));
        work.notify_one();
        return true;
    }
};

Deflater::Deflater(ByteSink& out, unsigned workers, ReusableChunks* reuse, ChunkGrid grid)
    : impl_(new Impl(out, workers, reuse, grid))
{
}

Deflater::~Deflater() = default;

bool Deflater::put(const unsigned char* data, std::size_t size)
{
    Impl& impl = *impl_;
    while (size > 0) {
        const std::size_t chunkSize = static_cast<std::size_t>(impl.grid.size(impl.submitted));
        std::size_t room = chunkSize - impl.pending.size();
        std::size_t piece = size < room ? size : room;
        impl.pending.insert(impl.pending.end(), data, data + piece);
        data += piece;
        size -= piece;
        // A full chunk is never the last: the stream's end is the remainder, even when empty.
        if (impl.pending.size() == chunkSize && !impl.submit(false))
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
    for (int i = 0; i < 4; ++i)
        trailer[i] = static_cast<unsigned char>(impl.adler >> (24 - 8 * i));
    impl.write(trailer, sizeof trailer);
    return impl.succeeded();
}

unsigned Deflater::defaultWorkers()
{
    // With one CPU, threads would only add switching to the same work.
    return usableCpus() >= 2 ? 2 : 0;
}
