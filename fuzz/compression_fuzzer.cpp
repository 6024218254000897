// Unwraps arbitrary bytes as a compressed package; when that succeeds, wraps the
// plain file again and checks that it unwraps to the same bytes. The input is
// also wrapped as a plain file and must come back unchanged. Any crash, hang,
// leak, sanitizer report or abort is a bug.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "package/LibraryOnly.h"
#include "scratch.h"

namespace {

std::string readFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::writeInput("input", data, size);

    if (QTx::isCompressedFile("input") && QTx::decompressFile("input", "plain")) {
        const std::string plain = readFile("plain");
        fuzz::check(!plain.empty(), "unwrapped to an empty file");
        fuzz::check(QTx::compressFile("plain", "rewrapped"), "cannot wrap an unwrapped file");
        fuzz::check(QTx::isCompressedFile("rewrapped"), "wrapped file lacks the signature");
        fuzz::check(QTx::decompressFile("rewrapped", "replain"), "cannot unwrap a wrapped file");
        fuzz::check(readFile("replain") == plain, "round trip changed the bytes");
    }

    // A plain file of 1 byte or more always wraps, and unwraps to itself.
    const bool wrapped = QTx::compressFile("input", "packed");
    fuzz::check(wrapped == (size > 0), "wrapping succeeded or failed unexpectedly");
    if (wrapped) {
        fuzz::check(QTx::decompressFile("packed", "unpacked"), "cannot unwrap a wrapped input");
        fuzz::check(readFile("unpacked") == std::string(reinterpret_cast<const char*>(data), size),
                    "input round trip changed the bytes");
    }
    fuzz::clearScratchDir();
    return 0;
}
