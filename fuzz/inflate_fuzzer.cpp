// Inflates arbitrary bytes as a zlib stream and holds the result against plain
// zlib: the input is a 4-byte big-endian expected length, then the stream. The
// stream is accepted exactly when zlib finds one complete stream of that length
// with nothing after it, and then both give the same bytes. Any crash, hang,
// leak, sanitizer report or abort is a bug.
#include <cstdint>
#include <cstdio>
#include <string>
#include <zlib.h>

#include "package/Codec.h"
#include "scratch.h"
#include "zlib_reference.h"

namespace {

// Keeps fuzzed lengths from asking for huge outputs.
constexpr std::uint32_t kMaxLength = 1 << 20;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i)
        length = (length << 8) | data[i];
    length %= kMaxLength + 1;
    fuzz::writeInput("stream", data + 4, size - 4);

    FILE* in = std::fopen("stream", "rb");
    fuzz::check(in != nullptr, "cannot open the stream");
    fuzz::StringSink sink;
    const Inflated result = inflateStream(in, length, sink);
    std::fclose(in);
    fuzz::check(result != Inflated::WriteError, "a sink that never fails failed");
    fuzz::check(sink.bytes.size() <= length, "more bytes than expected reached the sink");

    std::string plain;
    const bool accepted = fuzz::zlibAccepts(data + 4, size - 4, length, plain);
    fuzz::check((result == Inflated::Ok) == accepted, "zlib and the inflater disagree on the stream");
    fuzz::check(!accepted || sink.bytes == plain, "zlib and the inflater give different bytes");
    fuzz::clearScratchDir();
    return 0;
}
