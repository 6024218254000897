#include "foundation/SiblingOpener.h"

#include <fcntl.h>
#include <unistd.h>

int SiblingOpener::directoryOf(const std::string& path, const char*& name)
{
    name = path.c_str();
    const std::size_t slash = path.rfind('/');
    // A bare name is looked up in one step anyway; a name ending in "/" is left whole.
    if (slash == std::string::npos || slash + 1 == path.size())
        return AT_FDCWD;
    std::string dir = slash == 0 ? "/" : path.substr(0, slash);
    if (!dirFd_ || dir != dir_) {
        // O_PATH needs no read permission on the directory, only what the whole path needs.
        dirFd_.reset(::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        dir_ = std::move(dir);
        // Whatever stops the directory (a file in the way, no search permission), the whole path reports.
        if (!dirFd_)
            return AT_FDCWD;
    }
    name += slash + 1;
    return dirFd_.get();
}

int SiblingOpener::open(const std::string& path, int flags)
{
    const char* name = nullptr;
    const int dir = directoryOf(path, name);
    return openat(dir, name, flags);
}

int SiblingOpener::stat(const std::string& path, struct stat& status)
{
    const char* name = nullptr;
    const int dir = directoryOf(path, name);
    return fstatat(dir, name, &status, 0);
}

int SiblingOpener::access(const std::string& path, int mode)
{
    const char* name = nullptr;
    const int dir = directoryOf(path, name);
    return faccessat(dir, name, mode, AT_EACCESS);
}
