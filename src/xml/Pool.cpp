#include "xml/Pool.h"

#include <cstdint>
#include <cstring>
#include <new>

// The header is padded to the strictest fundamental alignment, so every chunk's
// data starts suitably aligned for any object and stays 8-aligned after that.
struct alignas(std::max_align_t) Pool::Chunk {
    Chunk* next;
    std::size_t size;

    unsigned char* data()
    {
        static_assert(sizeof(Chunk) % alignof(std::max_align_t) == 0 && alignof(std::max_align_t) % kGranularity == 0);
        return reinterpret_cast<unsigned char*>(this + 1);
    }
};

// Process-wide by design: `PoolObject::operator new` has no pool argument, and
// chunks released by any pool are reused by every other, so neither can live in a session.
Pool* Pool::currentPool = nullptr;
Pool::Chunk* Pool::releasedChunks = nullptr;

namespace {

// Counts what the shared chunk list took from the heap, so it lives beside that list.
std::size_t heapChunks = 0;

} // namespace

Pool::Pool() = default;

Pool::~Pool()
{
    clear();
    // A destroyed pool must not stay current: the next allocation would land in freed state.
    if (currentPool == this)
        currentPool = nullptr;
}

void* Pool::allocateInNewChunk(std::size_t size)
{
    if (size > SIZE_MAX - sizeof(Chunk) - kGranularity)
        throw std::bad_alloc();
    const std::size_t n = (size + kGranularity - 1) & ~(kGranularity - 1);
    const std::size_t wanted = n > kChunkSize ? n : kChunkSize;
    Chunk* chunk = nullptr;
    for (Chunk** link = &releasedChunks; *link; link = &(*link)->next) {
        if ((*link)->size >= wanted) {
            chunk = *link;
            *link = chunk->next;
            break;
        }
    }
    if (!chunk) {
        chunk = new (::operator new(sizeof(Chunk) + wanted)) Chunk{nullptr, wanted};
        ++heapChunks;
    }
    chunk->next = chunks_;
    chunks_ = chunk;
    block_ = chunk->data();
    size_ = chunk->size;
    used_ = n;
    return block_;
}

void Pool::clear()
{
    while (chunks_) {
        Chunk* chunk = chunks_;
        chunks_ = chunk->next;
        chunk->next = releasedChunks;
        releasedChunks = chunk;
        std::memset(chunk->data(), 0xFE, chunk->size);
    }
    block_ = nullptr;
    used_ = 0;
    size_ = 0;
}

Pool* Pool::setCurrentPool(Pool* pool)
{
    Pool* previous = currentPool;
    currentPool = pool;
    return previous;
}

Pool& Pool::keptPool()
{
    // Held by a static pointer so that it is never destroyed while objects may still live in it;
    // process-wide as the current pool is, whose fallback it is.
    static Pool* const kept = new Pool;
    currentPool = kept;
    return *kept;
}

std::size_t Pool::chunksCreated()
{
    return heapChunks;
}
