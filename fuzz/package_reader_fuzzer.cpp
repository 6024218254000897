// Feeds arbitrary bytes to the package reader: first as a compressed wrapper to
// unwrap, then as a container to open and copy out member by member, as the
// archive commands do. Any crash, hang or sanitizer report is a bug.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "package/Archive.h"
#include "package/Compression.h"

namespace {

std::string scratchPath(const char* name)
{
    return "/tmp/mkpkg-fuzz-" + std::to_string(getpid()) + "-" + name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string input = scratchPath("in"), plain = scratchPath("plain"), copy = scratchPath("copy");
    FILE* file = std::fopen(input.c_str(), "wb");
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    std::string container = input;
    if (QTx::isCompressedFile(input) && QTx::decompressFile(input, plain))
        container = plain;
    Archive2 archive;
    if (archive.open(std::fopen(container.c_str(), "rb"), container.c_str()) == 0) {
        Archive2 out;
        for (const ArchiveChunk2& member : archive.members())
            out.addMember(member.source.c_str(), member.name.c_str(), member.offset, member.size, member.readOnly,
                          member.time);
        out.write(copy.c_str(), Packing::Plain);
    }
    archive.close();
    unlink(input.c_str());
    unlink(plain.c_str());
    unlink(copy.c_str());
    return 0;
}
