#include "foundation/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "foundation/DirectoryListing.h"
#include "foundation/PathText.h"
#include "foundation/SignalCleanup.h"
#include "foundation/UniqueFd.h"

namespace {

// The permission bits the output gets: the old file's, or a new file's.
mode_t outputMode(const std::string& target)
{
    struct stat status {};
    if (stat(target.c_str(), &status) == 0)
        return status.st_mode & 0777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

AtomicFile::AtomicFile(std::string target) : name_(std::move(target)) {}

AtomicFile::~AtomicFile()
{
    abandon();
}

bool AtomicFile::create()
{
    target_ = followLinks(name_);
    std::string dir = directoryPart(target_);
    // A short fixed stem, so that the temporary's name fits wherever the target's does.
    std::string pattern = (target_.find('/') == std::string::npos ? "" : dir + "/") + ".mkpkg-XXXXXX";
    SignalCleanup::Hold held;
    UniqueFd fd(mkstemp(pattern.data()));
    if (!fd) {
        fail("can't create ");
        return false;
    }
    temporary_ = pattern;
    cleanupSlot_ = SignalCleanup::add(temporary_);
    stream_.reset(fdopen(fd.get(), "wb"));
    if (!stream_) {
        fail("can't create ");
        abandon();
        return false;
    }
    fd.release(); // closed with the stream
    return true;
}

bool AtomicFile::put(const unsigned char* data, std::size_t size)
{
    if (size == 0 || std::fwrite(data, 1, size, stream_.get()) == size)
        return true;
    fail("write error on ");
    return false;
}

bool AtomicFile::commit()
{
    const int fd = fileno(stream_.get());
    bool written = std::fflush(stream_.get()) == 0 && fsync(fd) == 0 && fchmod(fd, outputMode(target_)) == 0;
    if (!written)
        fail("write error on ");
    // Closed here, not by the owner: a failure to close is a failure to write.
    int closed = std::fclose(stream_.release());
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
    SignalCleanup::release(cleanupSlot_);
    cleanupSlot_ = -1;
    return true;
}

void AtomicFile::abandon()
{
    stream_.reset();
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
        SignalCleanup::release(cleanupSlot_);
        cleanupSlot_ = -1;
    }
}

std::string AtomicFile::error() const
{
    return error_;
}

void AtomicFile::fail(const char* what)
{
    error_ = what + name_ + ": " + std::strerror(errno);
}
