#include "foundation/QTx.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/DirectoryListing.h"
#include "foundation/PathText.h"
#include "foundation/SiblingOpener.h"

namespace QTx {

namespace {

std::string canonical(const std::string& path)
{
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return cleanDirPath(path);
    std::string result = resolved;
    std::free(resolved);
    return result;
}

} // namespace

bool readableRegularFile(const std::string& path, struct stat& status, SiblingOpener* siblings)
{
    // Asked, not opened: a stat and an access check cost a third of an open, fstat and close.
    // Only a security module's veto of the open itself slips past; reading the file then fails.
    SiblingOpener own;
    SiblingOpener& lookup = siblings != nullptr ? *siblings : own;
    if (lookup.stat(path, status) != 0 || !S_ISREG(status.st_mode))
        return false;
    // The owner's read bit alone decides for the owner, access control lists or not.
    return (status.st_uid == geteuid() && (status.st_mode & S_IRUSR) != 0) || lookup.access(path, R_OK) == 0;
}

bool makeDir(const std::string& path)
{
    std::string dir = cleanDirPath(absolutePath(path));
    if (isDirectory(dir))
        return true;
    if (dir == "/")
        return false;
    std::string parent = directoryPart(dir);
    if (!isDirectory(parent) && parent != dir)
        makeDir(parent);
    return mkdir(dir.c_str(), 0777) == 0;
}

bool removeFile(const std::string& path)
{
    return unlink(path.c_str()) == 0;
}

bool fillFile(int fd, const std::function<bool(ByteSink&)>& fill, bool readOnly, long time)
{
    // Straight to the descriptor: the bytes come in large blocks, so a stdio buffer would only copy them.
    FdSink sink(fd);
    struct stat status {};
    // The times and mode are set through the descriptor, never through a name a link could redirect.
    const timespec times[2] = {{static_cast<time_t>(time), 0}, {static_cast<time_t>(time), 0}};
    bool written = fill(sink) && futimens(fd, times) == 0 &&
                   (!readOnly || (fstat(fd, &status) == 0 && fchmod(fd, status.st_mode & 07777 & ~S_IWUSR) == 0));
    const int failure = errno;
    const bool closed = close(fd) == 0;
    if (!written)
        errno = failure;
    return written && closed;
}

InstallationDirectories applicationPath(const char* argv0, int levelsUp)
{
    InstallationDirectories directories;
    directories.application = canonical(directoryPart(absolutePath(argv0)));
    std::string root = directories.application;
    for (int level = 0; level < levelsUp; ++level)
        root += "/..";
    directories.root = canonical(root);
    return directories;
}

std::string userLocalAppDataDirectory(const std::string& name)
{
    const char* home = std::getenv("HOME");
    std::string result = std::string(home != nullptr ? home : "") + "/.";
    for (char c : name)
        result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : result)
        if (c == ' ')
            c = '_';
    return result;
}

// Specified interface, unused by the tool.
bool createFile(const std::string& path, unsigned int size, const unsigned char* data, bool readOnly, long time)
{
    const auto put = [&](ByteSink& out) { return out.put(data, size); };
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    return fd >= 0 && fillFile(fd, put, readOnly, time);
}

} // namespace QTx
