#pragma once

#include <cstdint>
#include <string_view>

// 64-bit FNV-1a: the same value for the same bytes in every build and on every
// platform, unlike std::hash, so that names derived from it agree between builds.
inline std::uint64_t stableHash(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    }
    return hash;
}
