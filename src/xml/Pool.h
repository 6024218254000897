#pragma once

#include <cstddef>

// A growing arena of memory chunks. Allocations are rounded up to 8 bytes and
// bump-allocated from the current (most recent) chunk; a request that does not
// fit takes a new chunk of 8192 bytes (or of the request's size when larger),
// first-fit from the process-wide list of released chunks, else from the heap.
// Releasing a pool pushes its chunks onto that list, filled with 0xFE; chunk
// memory is never given back to the operating system.
class Pool {
public:
    static constexpr std::size_t kGranularity = 8;
    static constexpr std::size_t kChunkSize = 8192;

    Pool();
    // Releases the chunks; a pool that is current stops being current.
    ~Pool();
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    void* allocate(std::size_t size)
    {
        // Bumping within the current chunk is the common case, so it is inline.
        // The rounding cannot wrap once `size` is known to fit the chunk.
        if (block_ && size <= size_ - used_) {
            const std::size_t n = (size + kGranularity - 1) & ~(kGranularity - 1);
            if (n <= size_ - used_) {
                void* at = block_ + used_;
                used_ += n;
                return at;
            }
        }
        return allocateInNewChunk(size);
    }
    // Gives all chunks back and leaves the pool empty.
    void clear();

    // Makes `pool` the one PoolObject allocations come from; returns the previous one.
    static Pool* setCurrentPool(Pool* pool);
    // The current pool, created empty (and kept for the rest of the run) when there is none.
    static Pool& current() { return currentPool ? *currentPool : keptPool(); }
    // How many chunks were taken from the heap since the process started.
    static std::size_t chunksCreated();

private:
    struct Chunk;

    void* allocateInNewChunk(std::size_t size);
    static Pool& keptPool();

    static Pool* currentPool;
    static Chunk* releasedChunks;

    Chunk* chunks_ = nullptr;
    unsigned char* block_ = nullptr; // the current chunk's data
    std::size_t used_ = 0;
    std::size_t size_ = 0;
};

// Makes a pool the current one for the guard's lifetime, then restores the previous one.
class CurrentPoolScope {
public:
    explicit CurrentPoolScope(Pool* pool) : previous_(Pool::setCurrentPool(pool)) {}
    ~CurrentPoolScope() { Pool::setCurrentPool(previous_); }
    CurrentPoolScope(const CurrentPoolScope&) = delete;
    CurrentPoolScope& operator=(const CurrentPoolScope&) = delete;

private:
    Pool* previous_;
};

// Base of the classes whose objects live in the current pool. They are never
// deleted one by one: their memory goes with the pool.
class PoolObject {
public:
    static void* operator new(std::size_t size) { return Pool::current().allocate(size); }
    static void operator delete(void*) {}
};
