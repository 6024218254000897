// Inflates a zlib stream and holds the result against plain zlib: the stream is
// accepted exactly when zlib finds one complete stream of the expected length
// with nothing after it, and then both give the same bytes; the sink never
// receives more than that length. Where the inflater found a boundary between
// pieces, the blocks up to the next one must inflate, after the plain bytes
// before, to exactly the plain bytes between the two, and stop between blocks.
//
// The first byte picks the stream. Even: a 4-byte big-endian expected length,
// then arbitrary bytes as the stream. Odd: a byte added (signed) to the plain
// length as the expected length, then edits of 5 bytes each (see applyEdit) to
// our writer's stream of a little over 4 MiB, whose pieces the strict check
// proves one by one, falling back to zlib where damage leaves them unproven.
// Any crash, hang, leak, sanitizer report or abort is a bug.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <zlib.h>

#include "foundation/UniqueFd.h"
#include "our_streams.h"
#include "package/Inflater.h"

namespace {

// Keeps fuzzed lengths from asking for huge outputs.
constexpr std::uint32_t kMaxLength = 1 << 20;

// Source text around incompressible bytes: several pieces, with real Huffman
// blocks to damage.
const std::string& plainBytes()
{
    static const std::string plain = fuzz::textAroundNoise(5, 1 << 20, 9 << 19);
    return plain;
}

// True when the deflate data from `from` to `to` in `stream`, with the plain
// bytes before `from` as history, inflates to exactly the plain bytes between
// them and ends between two blocks, with no bit of the next one read.
bool runOfBlocks(const std::string& stream, const std::string& plain, PieceIndex::Boundary from,
                 PieceIndex::Boundary to)
{
    z_stream zs{};
    if (inflateInit2(&zs, -15) != Z_OK)
        return false;
    const std::uint64_t history = std::min<std::uint64_t>(from.plain, 32768);
    inflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(plain.data() + from.plain - history),
                         static_cast<uInt>(history));
    std::string out(to.plain - from.plain + 1, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data() + from.packed));
    zs.avail_in = static_cast<uInt>(to.packed - from.packed);
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    int status = Z_OK;
    do
        status = inflate(&zs, Z_BLOCK);
    while (status == Z_OK && zs.avail_in > 0);
    // Bit 7 of data_type: at the start of a block; its low bits: bits left unused.
    const bool between = status == Z_OK && zs.avail_in == 0 && (zs.data_type & 0x80) && (zs.data_type & 7) == 0;
    const bool same =
        zs.total_out == to.plain - from.plain && std::memcmp(out.data(), plain.data() + from.plain, zs.total_out) == 0;
    inflateEnd(&zs);
    return between && same;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string stream;
    std::uint64_t length = 0;
    if (size >= 5 && data[0] % 2 == 0) {
        for (int i = 1; i <= 4; ++i)
            length = (length << 8) | data[i];
        length %= kMaxLength + 1;
        stream.assign(reinterpret_cast<const char*>(data + 5), size - 5);
    } else if (size >= 2 && data[0] % 2 == 1) {
        static const std::string ourStream = fuzz::deflated(plainBytes(), 0);
        stream = ourStream;
        length = plainBytes().size() + static_cast<std::int8_t>(data[1]);
        for (std::size_t at = 2; at + 5 <= size; at += 5)
            fuzz::applyEdit(stream, data + at);
    } else {
        return 0;
    }
    fuzz::writeInput("stream", reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size());

    const UniqueFd in(open("stream", O_RDONLY | O_CLOEXEC));
    fuzz::check(static_cast<bool>(in), "cannot open the stream");
    fuzz::StringSink sink;
    PieceIndex pieces;
    const Inflated result = inflatePayload(in.get(), 0, length, sink, &pieces);
    fuzz::check(result != Inflated::WriteError, "a sink that never fails failed");
    fuzz::check(sink.bytes.size() <= length, "more bytes than expected reached the sink");

    std::string plain;
    const bool accepted =
        fuzz::zlibAccepts(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size(), length, plain);
    fuzz::check((result == Inflated::Ok) == accepted, "zlib and the inflater disagree on the stream");
    if (accepted) {
        fuzz::check(sink.bytes == plain, "zlib and the inflater give different bytes");
        const auto& entries = pieces.entries();
        for (std::size_t i = 1; i < entries.size(); ++i)
            fuzz::check(runOfBlocks(stream, plain, entries[i - 1], entries[i]), "a boundary between pieces is not one");
    }
    fuzz::clearScratchDir();
    return 0;
}
