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

#include "package/Compression.h"
#include "scratch.h"

namespace {

std::string readFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "compression_fuzzer: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FILE* file = std::fopen("input", "wb");
    if (file == nullptr)
        std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    if (QTx::isCompressedFile("input") && QTx::decompressFile("input", "plain")) {
        const std::string plain = readFile("plain");
        check(!plain.empty(), "unwrapped to an empty file");
        check(QTx::compressFile("plain", "rewrapped"), "cannot wrap an unwrapped file");
        check(QTx::isCompressedFile("rewrapped"), "wrapped file lacks the signature");
        check(QTx::decompressFile("rewrapped", "replain"), "cannot unwrap a wrapped file");
        check(readFile("replain") == plain, "round trip changed the bytes");
    }

    // A plain file of 1 byte or more always wraps, and unwraps to itself.
    const bool wrapped = QTx::compressFile("input", "packed");
    check(wrapped == (size > 0), "wrapping succeeded or failed unexpectedly");
    if (wrapped) {
        check(QTx::decompressFile("packed", "unpacked"), "cannot unwrap a wrapped input");
        check(readFile("unpacked") == std::string(reinterpret_cast<const char*>(data), size),
              "input round trip changed the bytes");
    }
    fuzz::clearScratchDir();
    return 0;
}
