#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/ByteSink.h"
#include "package/Codec.h"
#include "package/ReusableChunks.h"

// The compressed package wrapper:
//
//   offset  size  content
//   0       8     signature 7A F4 31 B2 01 00 00 00
//   8       4     length of the plain file, big-endian
//   12      rest  zlib stream (RFC 1950) of the plain file, up to the end of the file
//
// The plain length is at most 0xFFFFFFFF; a plain file is never empty.

inline constexpr unsigned char compressedFileHeader[8] = {0x7A, 0xF4, 0x31, 0xB2, 0x01, 0x00, 0x00, 0x00};

// Streams a plain file into the wrapper: the signature and length go out first,
// then every byte put is deflated into `out`, in chunks on `grid`; chunks that
// `reuse` holds with the same plain bytes are taken from there.
class PackageSink : public ByteSink {
public:
    PackageSink(ByteSink& out, std::uint32_t plainLength, ChunkGrid grid = {}, ReusableChunks* reuse = nullptr);
    ~PackageSink() override;
    PackageSink(const PackageSink&) = delete;
    PackageSink& operator=(const PackageSink&) = delete;

    bool put(const unsigned char* data, std::size_t size) override;
    // Ends the zlib stream; false when writing failed or the bytes put do not add
    // up to the announced length.
    bool finish();

private:
    ByteSink& out_;
    std::uint32_t plainLength_;
    std::uint64_t received_ = 0;
    bool started_ = false;
    struct State;
    State* state_;
};

// What unwrapping a payload came to.
enum class Unwrap {
    Ok,         // one complete zlib stream of the announced, non-zero length, nothing after it
    Damaged,    // anything else in the payload
    WriteError, // the sink refused bytes; errno says why
};

// Inflates the payload that follows the signature, from the current position of
// `in` to its end, into `out`. Every byte is checked before Ok is returned, so a
// caller that must not act on a damaged package waits for the result.
Unwrap unwrapPayload(FILE* in, ByteSink& out, GridOf gridOf = nullptr);

// The chunks of the payload of the compressed package open as `packed`, on
// `grid`, to be taken by a package that replaces it; the plain bytes from
// `movedTo` on in the new package stood from `movedFrom` on in this one. Nothing
// for a null stream or a file too short to hold a payload.
std::optional<ReusableChunks> payloadChunks(FILE* packed, ChunkGrid grid, std::uint64_t movedFrom,
                                            std::uint64_t movedTo);

// True when `in`, read from its start, begins with the wrapper's signature; `in`
// is then positioned after it.
bool readSignature(FILE* in);

namespace QTx {

// True when `path` can be read and starts with the wrapper's signature.
bool isCompressedFile(const std::string& path);

// Writes the wrapper for `plainPath` to `packedPath` (replacing it only when all
// went well); false when the plain file cannot be read, is empty or is 4 GiB or
// more, or the packed file cannot be written.
bool compressFile(const std::string& plainPath, const std::string& packedPath);

// Writes the unwrapped contents of `packedPath` to `plainPath`. False when the
// signature is missing, the payload is damaged, or a file cannot be read or
// written; `plainPath` is then left empty where it could be created, so that it
// never looks like a valid container.
bool decompressFile(const std::string& packedPath, const std::string& plainPath);

} // namespace QTx
