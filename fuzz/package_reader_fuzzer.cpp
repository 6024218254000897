// Runs the archive mode's list and extract commands on arbitrary bytes written
// as a package file, compressed or plain, exactly as the command line would.
// Any crash, hang, leak or sanitizer report is a bug.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "scratch.h"
#include "tool/ArchiveMode.h"
#include "tool/Globals.h"

namespace {

FILE* devNull()
{
    static FILE* const stream = std::fopen("/dev/null", "w");
    return stream;
}

void run(int command)
{
    resetToolGlobals();
    HReporter reporter("mkpkg", devNull());
    report = &reporter;
    inputFilename = "fuzz.pkg";
    outputFilename = "fuzz.pkg";
    action = command;
    runArchiveMode();
    resetToolGlobals();
    report = nullptr;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Listings would flood the fuzzer's own output.
    if (devNull() == nullptr || std::freopen("/dev/null", "w", stdout) == nullptr)
        std::abort();
    fuzz::enterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FILE* file = std::fopen("fuzz.pkg", "wb");
    if (file == nullptr)
        std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    run(kActionList);
    run(kActionExtract);
    fuzz::clearScratchDir();
    return 0;
}
