#pragma once

// Fixed-width integers in a given byte order, read from and written to bytes:
// the container's fields are little-endian, the wrapper's length and the zlib
// check value big-endian.

#include <cstdint>

inline std::uint32_t loadLittle32(const unsigned char* at)
{
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

inline void storeLittle32(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline std::uint32_t loadBig32(const unsigned char* at)
{
    return (static_cast<std::uint32_t>(at[0]) << 24) | (at[1] << 16) | (at[2] << 8) | at[3];
}

inline void storeBig32(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}
