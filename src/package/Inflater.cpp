#include <cerrno>
#include <isa-l/igzip_lib.h>
#include <vector>

#include "package/Codec.h"

namespace {

constexpr std::size_t kBufferSize = 128 * 1024;

// The header checks zlib's inflate makes for a stream with the default 32 KiB
// window: the header's check bits, the deflate method, a window of at most
// 32 KiB, no preset dictionary.
bool acceptableHeader(unsigned char cmf, unsigned char flg)
{
    return (cmf * 256u + flg) % 31 == 0 && (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && !(flg & 0x20);
}

} // namespace

Inflated inflateStream(FILE* in, std::uint64_t expectedLength, ByteSink& out)
{
    std::vector<unsigned char> inputBuffer(kBufferSize), outputBuffer(kBufferSize);
    inflate_state state;
    isal_inflate_init(&state);
    // ISA-L reads the header again and verifies the Adler-32 at the end.
    state.crc_flag = ISAL_ZLIB;
    std::uint64_t produced = 0;
    bool atEnd = false;
    bool checkedHeader = false;
    while (state.block_state != ISAL_BLOCK_FINISH) {
        if (state.avail_in == 0 && !atEnd) {
            state.next_in = inputBuffer.data();
            state.avail_in = static_cast<std::uint32_t>(std::fread(inputBuffer.data(), 1, kBufferSize, in));
            atEnd = state.avail_in < kBufferSize;
            if (!checkedHeader && (state.avail_in < 2 || !acceptableHeader(inputBuffer[0], inputBuffer[1])))
                return Inflated::Damaged;
            checkedHeader = true;
        }
        std::uint32_t availableBefore = state.avail_in;
        state.next_out = outputBuffer.data();
        state.avail_out = static_cast<std::uint32_t>(kBufferSize);
        if (isal_inflate(&state) != ISAL_DECOMP_OK)
            return Inflated::Damaged;
        std::size_t got = kBufferSize - state.avail_out;
        // No progress with all input given: the stream is cut short.
        if (got == 0 && state.avail_in == availableBefore && atEnd && state.block_state != ISAL_BLOCK_FINISH)
            return Inflated::Damaged;
        produced += got;
        // More than announced is damage; the sink never sees bytes past the length.
        if (produced > expectedLength)
            return Inflated::Damaged;
        if (got > 0 && !out.put(outputBuffer.data(), got))
            return Inflated::WriteError;
    }
    // ISA-L reads ahead: bytes it holds past the check value are trailing bytes too.
    bool heldBack = state.avail_in > 0 || state.read_in_length > 0 || state.tmp_in_size > 0;
    if (produced != expectedLength || heldBack || std::ferror(in))
        return Inflated::Damaged;
    int savedErrno = errno;
    bool trailing = std::fgetc(in) != EOF;
    errno = savedErrno;
    return trailing || std::ferror(in) ? Inflated::Damaged : Inflated::Ok;
}
