// Damages a stream our writer made, large enough to be inflated in two halves,
// and inflates it on two threads into a file, against plain zlib over the same
// bytes: the two must agree on whether the stream is sound, give the same bytes
// when it is, and the file must never grow past the expected length, wherever
// the damage moves the cut or the second half's place. The input is a list of
// edits: a first byte added (signed) to the expected length, then 5 bytes per
// edit, a little-endian offset into the stream and a byte XORed in there (0
// cuts the stream short at that offset instead). Any crash, hang, leak,
// sanitizer report or abort is a bug.
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "foundation/ByteSink.h"
#include "our_streams.h"

namespace {

// Source text around incompressible bytes: a little over 4 MiB packed, in
// several of the writer's chunks, with real Huffman blocks to damage.
const std::string& plainBytes()
{
    static const std::string plain = fuzz::textAroundNoise(5, 1 << 20, 9 << 19);
    return plain;
}

const std::string& ourStream()
{
    static const std::string stream = fuzz::deflated(plainBytes(), 0);
    return stream;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    std::string stream = ourStream();
    const std::uint64_t length = plainBytes().size() + static_cast<std::int8_t>(data[0]);
    for (std::size_t at = 1; at + 5 <= size; at += 5)
        fuzz::applyEdit(stream, data + at);
    fuzz::writeInput("stream", reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size());

    FILE* in = std::fopen("stream", "rb");
    FILE* out = std::fopen("plain", "w+b");
    fuzz::check(in != nullptr && out != nullptr, "cannot open the scratch files");
    FileSink sink(out);
    const Inflated result = inflateStream(in, length, sink, 2);
    std::fclose(in);
    fuzz::check(result != Inflated::WriteError, "a file on the scratch directory refused bytes");
    fuzz::check(std::fflush(out) == 0, "cannot flush the output");
    struct stat status {};
    fuzz::check(fstat(fileno(out), &status) == 0 && static_cast<std::uint64_t>(status.st_size) <= length,
                "the output grew past the expected length");

    std::string expected;
    const bool accepted =
        fuzz::zlibAccepts(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size(), length, expected);
    fuzz::check((result == Inflated::Ok) == accepted, "zlib and the inflater disagree on the stream");
    if (accepted) {
        std::string got(expected.size(), '\0');
        fuzz::check(std::fseek(out, 0, SEEK_SET) == 0 && std::fread(got.data(), 1, got.size(), out) == got.size(),
                    "cannot read the output back");
        fuzz::check(got == expected, "zlib and the inflater give different bytes");
    }
    std::fclose(out);
    fuzz::clearScratchDir();
    return 0;
}
