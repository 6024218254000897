#include "foundation/PrivateFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "foundation/UniqueFd.h"

FILE* openPrivateFile(const std::string& dir)
{
    UniqueFd fd(open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!fd && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // File systems without unnamed files: a named one, unlinked at once.
        std::string pattern = dir + "/.mkpkg-XXXXXX";
        fd.reset(mkstemp(pattern.data()));
        if (fd)
            unlink(pattern.c_str());
    }
    FILE* stream = fd ? fdopen(fd.get(), "w+b") : nullptr;
    if (stream != nullptr)
        fd.release(); // closed with the stream
    return stream;
}
