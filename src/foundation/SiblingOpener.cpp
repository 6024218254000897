#include "foundation/SiblingOpener.h"

#include <fcntl.h>
#include <unistd.h>

SiblingOpener::~SiblingOpener()
{
    if (dirFd_ >= 0)
        close(dirFd_);
}

int SiblingOpener::open(const std::string& path, int flags)
{
    const std::size_t slash = path.rfind('/');
    // A bare name is looked up in one step anyway; a name ending in "/" is left to open(2).
    if (slash == std::string::npos || slash + 1 == path.size())
        return ::open(path.c_str(), flags);
    std::string dir = slash == 0 ? "/" : path.substr(0, slash);
    if (dirFd_ < 0 || dir != dir_) {
        if (dirFd_ >= 0)
            close(dirFd_);
        // O_PATH needs no read permission on the directory, only what the whole path needs.
        dirFd_ = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        dir_ = std::move(dir);
        // Whatever stops the directory (a file in the way, no search permission), open(2) reports it.
        if (dirFd_ < 0)
            return ::open(path.c_str(), flags);
    }
    return openat(dirFd_, path.c_str() + slash + 1, flags);
}
