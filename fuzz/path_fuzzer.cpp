// Normalises arbitrary paths and computes relative paths between them,
// checking the properties the Path header promises. The input is two paths
// separated by the first NUL. Any crash, leak, sanitizer report or abort is a bug.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/Path.h"

namespace {

void check(bool condition, const char* what, const std::string& a, const std::string& b)
{
    if (!condition) {
        std::fprintf(stderr, "path_fuzzer: %s: \"%s\" \"%s\"\n", what, a.c_str(), b.c_str());
        std::abort();
    }
}

std::vector<std::string> split(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        parts.push_back(path.substr(start, slash - start));
        if (slash == std::string::npos)
            return parts;
        start = slash + 1;
    }
}

bool hasParentComponent(const std::string& path)
{
    for (const std::string& part : split(path))
        if (part == "..")
            return true;
    return false;
}

std::string normalised(const std::string& path, const std::string& other)
{
    std::string once = path;
    Path::removeRelativePaths(once);
    std::string twice = once;
    Path::removeRelativePaths(twice);
    check(twice == once, "normalising twice changed the path", path, other);
    check(once.find("//") == std::string::npos, "a \"//\" is left", path, other);
    check(once.find("/./") == std::string::npos, "a \"/./\" is left", path, other);
    check(once.size() < 2 || once.compare(once.size() - 2, 2, "/.") != 0, "a trailing \"/.\" is left", path, other);
    return once;
}

// A relative path climbs first and then only descends.
void checkRelative(const std::string& relative, const std::string& a, const std::string& b)
{
    bool climbing = true;
    for (const std::string& part : split(relative)) {
        if (part != "..")
            climbing = false;
        else
            check(climbing, "a \"..\" after a name in a relative path", a, b);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string a = input.substr(0, nul);
    const std::string b = nul == std::string::npos ? std::string() : input.substr(nul + 1);

    const std::string from = normalised(a, b);
    const std::string to = normalised(b, a);
    check(Path(a).filePath() == from, "setting a path does not normalise it", a, b);
    for (const std::string& part : Path(a + "/" + b).filePathQStringList(false))
        check(!part.empty() && part.find('/') == std::string::npos, "a bad component", a, b);

    // Components the normalisation keeps (a leading "..") are not resolved by
    // the relative-path functions, so only paths free of them are compared.
    if (hasParentComponent(from) || hasParentComponent(to))
        return 0;
    std::string relative;
    if (Path::relativeDirPath(from, to, relative))
        checkRelative(relative, a, b);
    if (Path::relativeFilePath(from, to, relative))
        checkRelative(relative, a, b);
    return 0;
}
