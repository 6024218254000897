// What the fuzz targets share: a scratch directory private to one fuzzing
// process, for targets whose code under test works on files (made on first use
// under $TMPDIR or /tmp, emptied between inputs, removed when the process exits
// normally), a sink for output, and the abort that reports a broken property.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzz {

inline const char* scratchDir()
{
    // Plain bytes rather than a std::string: the removal at exit runs after
    // static objects made during the first call have been destroyed.
    static char dir[4096];
    if (dir[0] == '\0') {
        const char* tmp = std::getenv("TMPDIR");
        const std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/mkpkg-fuzz.XXXXXX";
        if (pattern.size() >= sizeof dir || mkdtemp(std::strcpy(dir, pattern.c_str())) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        });
    }
    return dir;
}

// Makes the scratch directory the current one, so that relative names the code
// under test writes or reads stay inside it. Fuzzer arguments must then be
// absolute paths.
inline void enterScratchDir()
{
    if (chdir(scratchDir()) != 0) {
        std::perror("chdir");
        std::abort();
    }
}

// Removes everything below the scratch directory, read-only entries included.
inline void clearScratchDir()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(scratchDir(), error))
        std::filesystem::remove_all(entry.path(), error);
}

// A stream that discards what is written to it.
inline FILE* devNull()
{
    static FILE* const stream = std::fopen("/dev/null", "w");
    return stream;
}

// Writes the input to `name` in the current directory.
inline void writeInput(const char* name, const std::uint8_t* data, std::size_t size)
{
    FILE* file = std::fopen(name, "wb");
    if (file == nullptr)
        std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
}

// For targets whose code under test prints: standard output is discarded, and
// the scratch directory becomes the current one.
inline void discardOutputAndEnterScratchDir()
{
    if (devNull() == nullptr || std::freopen("/dev/null", "w", stdout) == nullptr)
        std::abort();
    enterScratchDir();
}

// Aborts, naming the property that failed, unless `condition` holds.
inline void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

} // namespace fuzz
