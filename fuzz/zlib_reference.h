// What the inflate targets hold the inflater against: plain zlib, as every other
// reader of the format would inflate, and a sink that keeps what it is given.
#pragma once

#include <cstdint>
#include <string>
#include <zlib.h>

#include "foundation/ByteSink.h"

namespace fuzz {

struct StringSink : ByteSink {
    std::string bytes;
    bool put(const unsigned char* data, std::size_t size) override
    {
        bytes.append(reinterpret_cast<const char*>(data), size);
        return true;
    }
};

// True when `stream` is one complete zlib stream of exactly `length` plain
// bytes with nothing after it; `plain` then holds them.
inline bool zlibAccepts(const std::uint8_t* stream, std::size_t size, std::uint64_t length, std::string& plain)
{
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return false;
    plain.assign(length + 1, '\0');
    zs.next_in = const_cast<Bytef*>(stream);
    zs.avail_in = static_cast<uInt>(size);
    zs.next_out = reinterpret_cast<Bytef*>(plain.data());
    zs.avail_out = static_cast<uInt>(plain.size());
    int status = inflate(&zs, Z_FINISH);
    plain.resize(zs.total_out);
    bool ok = status == Z_STREAM_END && zs.avail_in == 0 && plain.size() == length;
    inflateEnd(&zs);
    return ok;
}

} // namespace fuzz
