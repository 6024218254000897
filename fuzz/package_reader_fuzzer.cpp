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

void run(int command)
{
    resetToolGlobals();
    HReporter reporter("mkpkg", fuzz::devNull());
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
    fuzz::discardOutputAndEnterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::writeInput("fuzz.pkg", data, size);
    run(kActionList);
    run(kActionExtract);
    fuzz::clearScratchDir();
    return 0;
}
