// Splits arbitrary text as one argument line, then parses it with the tool's
// options, both as a command-line string and as the contents of an indirect
// file. Any crash, hang, leak, sanitizer report or abort is a bug.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "scratch.h"
#include "tool/HarArgParse.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // "-V" prints the banner.
    fuzz::discardOutputAndEnterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // File arguments are resolved on disk at once, and a wildcard in a missing
    // directory ends the process. Without "/" every name is looked up in the
    // scratch directory, which exists; without ".." nothing lists its parent.
    // The indirect file sits in a subdirectory, so "@" cannot name it and
    // multiply itself.
    if (text.find('/') != std::string::npos || text.find("..") != std::string::npos)
        return 0;

    // Each parser starts from an empty invocation: nothing carries over between runs.
    HReporter reporter("mkpkg", fuzz::devNull());
    {
        HarArgParse parser(&reporter);
        std::vector<std::string> args;
        const int count = parser.argifyLine(nullptr, 0, text.c_str(), args);
        fuzz::check(count >= 0 && count <= ArgParse::kMaxArgumentsPerLine, "argument count out of range");
        fuzz::check(static_cast<std::size_t>(count) == args.size(), "count differs from the arguments split");
        for (const std::string& arg : args)
            fuzz::check(arg.find('\n') == std::string::npos, "an argument runs past the end of the line");
    }

    {
        HarArgParse parser(&reporter);
        parser.addToolOptions();
        parser.parse(text.c_str());
    }

    mkdir("indirect", 0700);
    if (FILE* file = std::fopen("indirect/args", "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    {
        HarArgParse parser(&reporter);
        parser.addToolOptions();
        parser.parseArgsFromIndirectFile("indirect/args");
    }
    fuzz::clearScratchDir();
    return 0;
}
