#include "foundation/DirectoryListing.h"

#include "foundation/PathText.h"
#include "foundation/Text.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <dirent.h>
#include <fnmatch.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        int x = std::tolower(static_cast<unsigned char>(a[i]));
        int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::vector<std::string> splitNameFilter(const std::string& nameFilter)
{
    return splitNonEmpty(nameFilter, "; ");
}

std::optional<std::vector<DirEntry>> listDirectory(const std::string& dir, EntryFilter filter,
                                                   const std::string* nameFilter)
{
    std::vector<std::string> patterns = nameFilter != nullptr ? splitNameFilter(*nameFilter) : std::vector<std::string>{};
    auto matches = [&](const std::string& name) {
        for (const std::string& pattern : patterns)
            if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0)
                return true;
        return false;
    };
    const std::unique_ptr<DIR, int (*)(DIR*)> handle(opendir(dir.c_str()), closedir);
    if (!handle)
        return std::nullopt;
    std::vector<DirEntry> entries;
    std::string prefix = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    while (dirent* entry = readdir(handle.get())) {
        std::string name = entry->d_name;
        if (name[0] == '.')
            continue;
        if (nameFilter != nullptr && !matches(name))
            continue;
        struct stat status {};
        if (stat((prefix + name).c_str(), &status) != 0)
            continue;
        bool directory = S_ISDIR(status.st_mode);
        if (!(S_ISREG(status.st_mode) || (directory && filter == EntryFilter::DirectoriesAndFiles)))
            continue;
        entries.push_back({std::move(name), directory});
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return lessIgnoringCase(a.name, b.name); });
    return entries;
}

namespace {

using DirectoryId = std::pair<dev_t, ino_t>;

void listFilesBelow(const std::string& dir, std::vector<std::string>& files, std::set<DirectoryId>& walking)
{
    struct stat status {};
    if (stat(dir.c_str(), &status) != 0 || !walking.insert({status.st_dev, status.st_ino}).second)
        return;
    if (auto entries = listDirectory(dir, EntryFilter::DirectoriesAndFiles)) {
        for (const DirEntry& entry : *entries) {
            std::string path = dir + "/" + entry.name;
            if (entry.isDirectory)
                listFilesBelow(path, files, walking);
            else
                files.push_back(path);
        }
    }
    walking.erase({status.st_dev, status.st_ino});
}

} // namespace

void listFilesBelow(const std::string& dir, std::vector<std::string>& files)
{
    std::set<DirectoryId> walking;
    listFilesBelow(dir, files, walking);
}

bool isDirectory(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool isExistingNonDirectory(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

std::string followLinks(const std::string& path)
{
    std::string current = path;
    // As many hops as the kernel follows; a loop of links ends there.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            break;
        char text[PATH_MAX];
        ssize_t length = readlink(current.c_str(), text, sizeof text);
        if (length <= 0 || static_cast<std::size_t>(length) == sizeof text)
            break;
        std::string link(text, static_cast<std::size_t>(length));
        if (link[0] == '/' || current.find('/') == std::string::npos)
            current = link;
        else
            current = directoryPart(current) + "/" + link;
    }
    return current;
}
