// What the targets over our writer's streams share: plain bytes with real
// Huffman blocks and stored ones, the writer's stream of them, and the edit
// that damages a stream or plain bytes.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "package/Deflater.h"
#include "scratch.h"
#include "zlib_reference.h"

namespace fuzz {

// C-like source text, incompressible bytes, and the same text again.
inline std::string textAroundNoise(unsigned seed, std::size_t textSize, std::size_t noiseSize)
{
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < textSize)
        text += "static int field" + std::to_string(random() % 9000) + "(struct s *p) { return p->x; }\n";
    std::string noise(noiseSize, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(random());
    return text + noise + text;
}

inline std::string deflated(const std::string& plain, unsigned workers, ReusablePieces* reuse = nullptr,
                            PieceGrid grid = {})
{
    StringSink sink;
    Deflater deflater(sink, workers, reuse, grid);
    check(deflater.put(reinterpret_cast<const unsigned char*>(plain.data()), plain.size()) && deflater.finish(),
          "the writer failed");
    return sink.bytes;
}

// Applies one 5-byte edit to `target`: a little-endian offset, then a byte XORed
// in there, or 0 to cut the target short at that offset instead.
inline void applyEdit(std::string& target, const std::uint8_t* edit)
{
    if (target.empty())
        return;
    const std::size_t offset = (edit[0] | edit[1] << 8 | edit[2] << 16 | std::size_t{edit[3]} << 24) % target.size();
    if (edit[4] == 0)
        target.resize(offset);
    else
        target[offset] = static_cast<char>(target[offset] ^ edit[4]);
}

} // namespace fuzz
