// Rewrites a package's plain bytes with the chunks of an earlier stream to take
// from, both damaged: the new stream must be one that plain zlib inflates to
// exactly the new bytes, the same with one thread and with two, whatever the
// earlier stream holds. The input is a list of edits of 6 bytes each: a target
// (even: the earlier stream, odd: the new plain bytes), a little-endian offset
// and a byte XORed in there (0 cuts the target short at that offset instead).
// Any crash, hang, leak, sanitizer report or abort is a bug.
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "package/Codec.h"
#include "package/ReusableChunks.h"
#include "scratch.h"
#include "zlib_reference.h"

namespace {

// A short first chunk, a whole one and a remainder, text around incompressible bytes.
const std::string& plainBytes()
{
    static const std::string plain = [] {
        std::mt19937 random(9);
        std::string text;
        while (text.size() < 3 << 19)
            text += "static int field" + std::to_string(random() % 9000) + "(struct s *p) { return p->x; }\n";
        std::string noise(3 << 19, '\0');
        for (char& byte : noise)
            byte = static_cast<char>(random());
        return text + noise + text.substr(0, 1 << 20);
    }();
    return plain;
}

// Chunks lined up with an offset that is not a multiple of their size, as a package's are.
const ChunkGrid kGrid = ChunkGrid::through(300000);

std::string deflated(const std::string& plain, unsigned workers, ReusableChunks* reuse)
{
    fuzz::StringSink sink;
    Deflater deflater(sink, workers, reuse, kGrid);
    fuzz::check(deflater.put(reinterpret_cast<const unsigned char*>(plain.data()), plain.size()) && deflater.finish(),
                "the writer failed");
    return sink.bytes;
}

void edit(std::string& target, const std::uint8_t* at)
{
    if (target.empty())
        return;
    const std::size_t offset = (at[0] | at[1] << 8 | at[2] << 16 | std::size_t{at[3]} << 24) % target.size();
    if (at[4] == 0)
        target.resize(offset);
    else
        target[offset] = static_cast<char>(target[offset] ^ at[4]);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string earlierStream = deflated(plainBytes(), 0, nullptr);
    std::string earlier = earlierStream, plain = plainBytes();
    for (std::size_t at = 0; at + 6 <= size; at += 6)
        edit(data[at] % 2 == 0 ? earlier : plain, data + at + 1);
    fuzz::writeInput("earlier", reinterpret_cast<const std::uint8_t*>(earlier.data()), earlier.size());

    FILE* file = std::fopen("earlier", "rb");
    fuzz::check(file != nullptr, "cannot open the scratch file");
    const std::uint64_t end = earlier.size() >= 6 ? earlier.size() - 4 : 2;
    ReusableChunks reuse(fileno(file), 2, end, kGrid);
    const std::string single = deflated(plain, 0, &reuse);
    fuzz::check(deflated(plain, 2, &reuse) == single, "one thread and two give different streams");
    std::fclose(file);

    std::string inflated;
    fuzz::check(fuzz::zlibAccepts(reinterpret_cast<const std::uint8_t*>(single.data()), single.size(), plain.size(),
                                  inflated) &&
                    inflated == plain,
                "the stream does not inflate to the new bytes");
    fuzz::clearScratchDir();
    return 0;
}
