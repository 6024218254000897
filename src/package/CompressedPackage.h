#pragma once

// The compressed package wrapper around a container.
//
//   offset  size  content
//   0       8     signature 7A F4 31 B2 01 00 00 00
//   8       4     length of the plain container, big-endian
//   12      rest  one zlib stream (RFC 1950) of the container, up to the end of the file
//
// Constraints: the plain length is at most 0xFFFFFFFF, and never 0; nothing
// follows the zlib stream; the stream must be one zlib itself accepts.
//
// The zlib stream as our writer lays it out (any other valid stream is read
// alike): the 2-byte header 78 9C, then raw deflate data cut into pieces on a
// PieceGrid lined up with the start of the container's member bytes, each
// compressed on its own, without the history before it; every piece but the
// last ends with an empty stored block (00 00 FF FF after byte alignment) so
// that the next one starts on a byte boundary with a new block; the last ends
// with the final block; then the Adler-32 of the plain bytes, big-endian. The
// same container always gives the same bytes, and a piece whose plain bytes
// are unchanged can be taken from an old package as it is.

#include <cstdint>

#include <string>

#include "foundation/ByteSink.h"
#include "foundation/ProgressObserver.h"
#include "package/Deflater.h"
#include "package/Inflater.h"
#include "package/PieceIndex.h"

inline constexpr unsigned char compressedFileHeader[8] = {0x7A, 0xF4, 0x31, 0xB2, 0x01, 0x00, 0x00, 0x00};

// ---- Reading ----

// True when the file open as `fd` begins with the wrapper's signature.
bool readSignature(int fd);

// Inflates the payload of the compressed package open as `fd` into `out`: Ok
// for one complete zlib stream of the announced, non-zero length, nothing after
// it. Every byte is checked before Ok is returned, so a caller that must not act
// on a damaged package waits for the result. `pieces`, when given, learns where the
// payload's pieces lie, for a rewrite to take them. `progress`, when given, is
// told of the inflated bytes as a pass named `label`.
Inflated unwrapPayload(int fd, ByteSink& out, PieceIndex* pieces = nullptr, ProgressObserver* progress = nullptr,
                       const std::string& label = "");

// ---- Writing ----

// Streams a plain container into the wrapper: the signature and length go out
// first, then every byte put is deflated into `out`, in pieces on `grid`; pieces
// that `reuse` holds with the same plain bytes are taken from there.
class PackageSink : public ByteSink {
public:
    PackageSink(ByteSink& out, std::uint32_t plainLength, PieceGrid grid = {}, ReusablePieces* reuse = nullptr);

    bool put(const unsigned char* data, std::size_t size) override;
    // Ends the zlib stream; false when writing failed or the bytes put do not add
    // up to the announced length.
    bool finish();

private:
    ByteSink& out_;
    const std::uint32_t plainLength_;
    std::uint64_t received_ = 0;
    bool started_ = false;
    Deflater deflater_;
};
