// Runs the archive mode's list and extract commands on arbitrary bytes written
// as a package file, compressed or plain, exactly as the command line would.
// Any crash, hang, leak or sanitizer report is a bug.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "scratch.h"
#include "tool/ArchiveMode.h"
#include "tool/Session.h"

namespace {

void run(Command command)
{
    // A fresh session per run, as the program has.
    HReporter reporter("mkpkg", fuzz::devNull());
    Invocation invocation;
    invocation.action = command;
    invocation.inputFilename = "fuzz.pkg";
    invocation.outputFilename = "fuzz.pkg";
    Session session(reporter, invocation);
    runArchiveMode(session);
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
    run(Command::List);
    run(Command::Extract);
    fuzz::clearScratchDir();
    return 0;
}
