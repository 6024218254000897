#include "foundation/PathText.h"

#include <cstdlib>
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

std::string cleanDirPath(const std::string& path)
{
    bool absolute = !path.empty() && path[0] == '/';
    std::vector<std::string> parts;
    for (std::string& part : pathComponents(path)) {
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!absolute)
                parts.push_back(part);
        } else if (part != ".") {
            parts.push_back(std::move(part));
        }
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i)
        result += (i > 0 ? "/" : "") + parts[i];
    return result.empty() ? "." : result;
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
