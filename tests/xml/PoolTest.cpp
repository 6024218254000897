#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "xml/Pool.h"

TEST(Pool, BumpsThenRecyclesReleasedChunksFirstFit)
{
    Pool first;
    auto* small = static_cast<unsigned char*>(first.allocate(1));
    EXPECT_EQ(static_cast<unsigned char*>(first.allocate(5)), small + 8);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(small) % alignof(std::max_align_t), 0u);
    auto* large = static_cast<unsigned char*>(first.allocate(20000));
    // The large chunk is full, so the rest of the small one is abandoned for a new one.
    EXPECT_NE(static_cast<unsigned char*>(first.allocate(8)), small + 16);
    std::memset(small, 'x', 16);
    first.clear();
    EXPECT_EQ(small[0], 0xFE);
    EXPECT_EQ(large[19999], 0xFE);

    // Released chunks go in front, so a new pool takes them back: the small
    // request fits the first, the 10000-byte one only the 20000-byte chunk,
    // whose full size then serves the next request.
    const std::size_t heapChunksBefore = Pool::chunksCreated();
    Pool second;
    EXPECT_EQ(second.allocate(100), small);
    EXPECT_EQ(second.allocate(10000), large);
    EXPECT_EQ(second.allocate(9000), large + 10000);
    EXPECT_EQ(Pool::chunksCreated(), heapChunksBefore);
}

TEST(Pool, PoolObjectsComeFromTheCurrentPool)
{
    struct Thing : PoolObject {
        long value = 7;
    };
    Pool pool;
    Pool* previous = Pool::setCurrentPool(&pool);
    Thing* thing = new Thing;
    EXPECT_EQ(Pool::setCurrentPool(previous), &pool);
    EXPECT_EQ(thing->value, 7);
    pool.clear();
    EXPECT_NE(thing->value, 7); // the memory went with the pool
}
