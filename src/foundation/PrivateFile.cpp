#include "foundation/PrivateFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

FILE* openPrivateFile(const std::string& dir)
{
    int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // File systems without unnamed files: a named one, unlinked at once.
        std::string pattern = dir + "/.mkpkg-XXXXXX";
        fd = mkstemp(pattern.data());
        if (fd >= 0)
            unlink(pattern.c_str());
    }
    if (fd < 0)
        return nullptr;
    FILE* stream = fdopen(fd, "w+b");
    if (stream == nullptr)
        close(fd);
    return stream;
}
