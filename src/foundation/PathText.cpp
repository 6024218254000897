#include "foundation/PathText.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <unistd.h>
#include <utility>

#include "foundation/Text.h"

std::string absolutePath(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    char* cwd = getcwd(nullptr, 0);
    std::string result = cwd != nullptr ? cwd : ".";
    free(cwd);
    return path.empty() ? result : result + "/" + path;
}

// One pass: each character is appended once and dropped at most once, so a
// name of millions of components costs no more than its length.
std::string cleanDirPath(const std::string& path)
{
    const bool absolute = !path.empty() && path[0] == '/';
    std::string out = absolute ? "/" : "";
    std::size_t names = 0; // components of `out` that are not ".."; they all follow the ".."s
    for (std::size_t i = 0; i < path.size();) {
        if (path[i] == '/') {
            ++i;
            continue;
        }
        const std::size_t end = std::min(path.find('/', i), path.size());
        const std::string_view part(path.data() + i, end - i);
        i = end;
        if (part == ".")
            continue;
        if (part == "..") {
            if (names > 0) {
                const std::size_t slash = out.rfind('/');
                out.resize(slash == std::string::npos ? 0 : slash == 0 ? 1 : slash);
                --names;
                continue;
            }
            if (absolute)
                continue; // nothing is above the root
        } else {
            ++names;
        }
        if (!out.empty() && out.back() != '/')
            out += '/';
        out += part;
    }
    return out.empty() ? "." : out;
}

std::string directoryPart(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNamePart(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> pathComponents(const std::string& path)
{
    return splitNonEmpty(path, "/");
}
