// Rewrites a package's plain bytes taking the pieces of an earlier stream, as a
// rewrite takes the old package's: the earlier stream is read first, which tells
// where its pieces lie, and its file may change before the pieces are taken.
// Whatever the file then holds, the new stream must be one that plain zlib
// inflates to exactly the new bytes, the same with no worker and with two. The
// input is a list of edits of 6 bytes each: a target (its remainder by 3: 0 the
// earlier file after it was read, 1 the new plain bytes, 2 the earlier stream
// before it was read, whose reading may then stop part-way), a little-endian
// offset and a byte XORed in there (0 cuts the target short at that offset
// instead). Any crash, hang, leak, sanitizer report or abort is a bug.
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <vector>

#include "foundation/UniqueFd.h"
#include "our_streams.h"
#include "package/Inflater.h"
#include "package/ReusablePieces.h"

namespace {

// A short first piece, whole ones and a remainder: text around incompressible bytes.
const std::string& plainBytes()
{
    static const std::string plain = fuzz::textAroundNoise(9, 3 << 19, 3 << 19);
    return plain;
}

// Pieces lined up with an offset that is not a multiple of their size, as a package's are.
const PieceGrid kGrid = PieceGrid::through(300000);

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
    std::vector<const std::uint8_t*> laterEdits;
    for (std::size_t at = 0; at + 6 <= size; at += 6) {
        switch (data[at] % 3) {
        case 0:
            laterEdits.push_back(data + at + 1);
            break;
        case 1:
            fuzz::applyEdit(plain, data + at + 1);
            break;
        default:
            fuzz::applyEdit(earlier, data + at + 1);
        }
    }
    fuzz::writeInput("earlier", reinterpret_cast<const std::uint8_t*>(earlier.data()), earlier.size());
    const UniqueFd file(open("earlier", O_RDONLY | O_CLOEXEC));
    fuzz::check(static_cast<bool>(file), "cannot open the scratch file");

    fuzz::StringSink unwrapped;
    PieceIndex index;
    const Inflated read = inflatePayload(file.get(), 0, plainBytes().size(), unwrapped, &index);
    fuzz::check(read == Inflated::Ok || earlier != earlierStream, "the writer's own stream was refused");
    if (!laterEdits.empty()) {
        for (const std::uint8_t* edit : laterEdits)
            fuzz::applyEdit(earlier, edit);
        // Rewritten in place: the descriptor open for reading sees the new bytes.
        fuzz::writeInput("earlier", reinterpret_cast<const std::uint8_t*>(earlier.data()), earlier.size());
    }

    // The plain bytes as read, which pieces proven while reading are compared with.
    fuzz::writeInput("plain", reinterpret_cast<const std::uint8_t*>(unwrapped.bytes.data()), unwrapped.bytes.size());
    const UniqueFd plainFile(open("plain", O_RDONLY | O_CLOEXEC));
    ReusablePieces reuse(file.get(), plainFile.get(), index);
    const std::string single = fuzz::deflated(plain, 0, &reuse, kGrid);
    fuzz::check(fuzz::deflated(plain, 2, &reuse, kGrid) == single, "no worker and two give different streams");
    std::string inflated;
    fuzz::check(fuzz::zlibAccepts(reinterpret_cast<const std::uint8_t*>(single.data()), single.size(), plain.size(),
                                  inflated) &&
                    inflated == plain,
                "the stream does not inflate to the new bytes");
    fuzz::clearScratchDir();
    return 0;
}
