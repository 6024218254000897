#include "foundation/AtomicFile.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The one temporary that exists at a time, for the signal handler to remove.
char pendingTemporary[4096];
const int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void removePendingTemporary(int signal)
{
    if (pendingTemporary[0] != '\0')
        unlink(pendingTemporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void setPending(const std::string& path)
{
    bool fits = path.size() < sizeof pendingTemporary;
    std::memcpy(pendingTemporary, fits ? path.c_str() : "", fits ? path.size() + 1 : 1);
    for (int signal : kCleanupSignals)
        std::signal(signal, path.empty() ? SIG_DFL : removePendingTemporary);
}

mode_t newFileMode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile()
{
    abandon();
}

bool AtomicFile::create()
{
    std::string::size_type slash = target_.rfind('/');
    std::string dir = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string pattern = dir + "." + base + ".XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        fail("can't create ");
        return false;
    }
    temporary_ = pattern;
    setPending(temporary_);
    stream_ = fdopen(fd, "wb");
    if (stream_ == nullptr) {
        fail("can't create ");
        close(fd);
        abandon();
        return false;
    }
    return true;
}

bool AtomicFile::put(const unsigned char* data, std::size_t size)
{
    if (size == 0 || std::fwrite(data, 1, size, stream_) == size)
        return true;
    fail("write error on ");
    return false;
}

bool AtomicFile::commit()
{
    bool written =
        std::fflush(stream_) == 0 && fsync(fileno(stream_)) == 0 && fchmod(fileno(stream_), newFileMode()) == 0;
    if (!written)
        fail("write error on ");
    int closed = std::fclose(stream_);
    stream_ = nullptr;
    if (written && closed != 0) {
        fail("write error on ");
        written = false;
    }
    if (!written) {
        abandon();
        return false;
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        fail("can't replace ");
        abandon();
        return false;
    }
    temporary_.clear();
    setPending("");
    return true;
}

void AtomicFile::abandon()
{
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
        setPending("");
    }
}

std::string AtomicFile::error() const
{
    return error_;
}

void AtomicFile::fail(const char* what)
{
    error_ = what + target_ + ": " + std::strerror(errno);
}
