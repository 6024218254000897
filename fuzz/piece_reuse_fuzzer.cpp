// Rewrites a package's plain bytes with the chunks of an earlier stream to take
// from, both damaged: the new stream must be one that plain zlib inflates to
// exactly the new bytes, the same with one thread and with two, whatever the
// earlier stream holds. The input is a list of edits of 6 bytes each: a target
// (even: the earlier stream, odd: the new plain bytes), a little-endian offset
// and a byte XORed in there (0 cuts the target short at that offset instead).
// Any crash, hang, leak, sanitizer report or abort is a bug.
#include <cstdint>
#include <cstdio>
#include <string>

#include "our_streams.h"
#include "package/ReusableChunks.h"

namespace {

// A short first chunk, whole ones and a remainder: text around incompressible bytes.
const std::string& plainBytes()
{
    static const std::string plain = fuzz::textAroundNoise(9, 3 << 19, 3 << 19);
    return plain;
}

// Chunks lined up with an offset that is not a multiple of their size, as a package's are.
const ChunkGrid kGrid = ChunkGrid::through(300000);

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string earlierStream = fuzz::deflated(plainBytes(), 0, nullptr, kGrid);
    std::string earlier = earlierStream, plain = plainBytes();
    for (std::size_t at = 0; at + 6 <= size; at += 6)
        fuzz::applyEdit(data[at] % 2 == 0 ? earlier : plain, data + at + 1);
    fuzz::writeInput("earlier", reinterpret_cast<const std::uint8_t*>(earlier.data()), earlier.size());

    FILE* file = std::fopen("earlier", "rb");
    fuzz::check(file != nullptr, "cannot open the scratch file");
    const std::uint64_t end = earlier.size() >= 6 ? earlier.size() - 4 : 2;
    ReusableChunks reuse(fileno(file), 2, end, kGrid);
    const std::string single = fuzz::deflated(plain, 0, &reuse, kGrid);
    fuzz::check(fuzz::deflated(plain, 2, &reuse, kGrid) == single, "one thread and two give different streams");
    std::fclose(file);

    std::string inflated;
    fuzz::check(fuzz::zlibAccepts(reinterpret_cast<const std::uint8_t*>(single.data()), single.size(), plain.size(),
                                  inflated) &&
                    inflated == plain,
                "the stream does not inflate to the new bytes");
    fuzz::clearScratchDir();
    return 0;
}
