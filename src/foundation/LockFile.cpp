#include "foundation/LockFile.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "foundation/PathText.h"
#include "foundation/SignalCleanup.h"
#include "foundation/StableHash.h"
#include "foundation/UniqueFile.h"

namespace {

constexpr std::size_t kNameMax = 255;

std::string lockPathFor(const std::string& file)
{
    std::string base = fileNamePart(file);
    if (base.size() + 5 <= kNameMax)
        return file + ".lock";
    // Every writer, whatever its build, derives the same short name from the same long one.
    char hashed[32];
    std::snprintf(hashed, sizeof hashed, ".%016llx.lock", static_cast<unsigned long long>(stableHash(base)));
    return file.substr(0, file.size() - base.size()) + hashed;
}

std::string pidText()
{
    return std::to_string(getpid()) + "\n";
}

// The process id written in an open lock file, or "an unknown process".
std::string ownerOf(const std::string& path)
{
    char text[32] = "";
    if (const UniqueFile in{std::fopen(path.c_str(), "r")}; !in || std::fgets(text, sizeof text, in.get()) == nullptr)
        text[0] = '\0';
    text[std::strcspn(text, "\n")] = '\0';
    return text[0] != '\0' ? std::string("process ") + text : "an unknown process";
}

bool sameFile(int fd, const std::string& path)
{
    struct stat open {}, named {};
    return fstat(fd, &open) == 0 && stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

} // namespace

LockFile::LockFile(const std::string& file) : path_(lockPathFor(file)) {}

LockFile::~LockFile()
{
    release();
}

bool LockFile::acquire(double waitSeconds, const std::function<void(const std::string& holder)>& waiting)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds);
    bool told = false;
    for (;;) {
        Attempt attempt = tryCreate();
        if (attempt == Attempt::Held)
            attempt = tryTakeOver();
        if (attempt == Attempt::Taken)
            return true;
        if (attempt == Attempt::Failed)
            return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            char waited[32];
            std::snprintf(waited, sizeof waited, "%g", waitSeconds);
            error_ = "gave up after " + std::string(waited) + " s waiting for " + path_ + ", held by " + ownerOf(path_);
            return false;
        }
        if (waiting && !told)
            waiting(ownerOf(path_));
        told = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The lock file appears with its contents and its flock already in place: it is
// written under a temporary name and linked to the lock's name, which fails when
// the name exists.
LockFile::Attempt LockFile::tryCreate()
{
    std::string temporary = directoryPart(path_) + "/.mkpkg-lock-XXXXXX";
    SignalCleanup::Hold held;
    UniqueFd fd(mkstemp(temporary.data()));
    if (!fd) {
        error_ = "can't create " + path_ + ": " + std::strerror(errno);
        return Attempt::Failed;
    }
    int slot = SignalCleanup::add(temporary);
    std::string text = pidText();
    mode_t mask = umask(0);
    umask(mask);
    bool ready = flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && fchmod(fd.get(), 0666 & ~mask) == 0 &&
                 ::write(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
    int linkErrno = 0;
    if (ready && link(temporary.c_str(), path_.c_str()) != 0)
        linkErrno = errno;
    if (!ready)
        linkErrno = errno != 0 ? errno : EIO;
    unlink(temporary.c_str());
    SignalCleanup::release(slot);
    if (linkErrno == 0) {
        fd_ = std::move(fd);
        cleanupSlot_ = SignalCleanup::add(path_);
        return Attempt::Taken;
    }
    if (linkErrno == EEXIST)
        return Attempt::Held;
    error_ = "can't create " + path_ + ": " + std::strerror(linkErrno);
    return Attempt::Failed;
}

// A lock file whose flock nobody holds was left by a process that died. Taking
// its flock makes this process the one that takes it over; the file must still
// be the one named, since an owner that finished removes it before letting go.
LockFile::Attempt LockFile::tryTakeOver()
{
    UniqueFd fd(open(path_.c_str(), O_RDWR | O_CLOEXEC));
    // Gone since (try again), or not ours to open (wait for it like any held lock).
    if (!fd || flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || !sameFile(fd.get(), path_))
        return Attempt::Held;
    std::string text = pidText();
    SignalCleanup::Hold held;
    if (ftruncate(fd.get(), 0) != 0 ||
        pwrite(fd.get(), text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
        error_ = "can't take over " + path_ + ": " + std::strerror(errno);
        return Attempt::Failed;
    }
    fd_ = std::move(fd);
    cleanupSlot_ = SignalCleanup::add(path_);
    return Attempt::Taken;
}

void LockFile::release()
{
    if (!fd_)
        return;
    // Removed before the flock goes, so that a waiter never takes over a finished lock.
    unlink(path_.c_str());
    SignalCleanup::release(cleanupSlot_);
    cleanupSlot_ = -1;
    fd_.reset();
}
