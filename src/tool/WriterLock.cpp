#include "tool/WriterLock.h"

#include <cstdlib>

#include "foundation/DirectoryListing.h"
#include "tool/HReporter.h"

namespace {

// Long enough for another writer of an ordinary package to finish.
constexpr double kDefaultLockWait = 60;

double lockWaitSeconds()
{
    const char* text = std::getenv("MKPKG_LOCK_WAIT");
    char* end = nullptr;
    double seconds = text != nullptr ? std::strtod(text, &end) : -1;
    return end != text && seconds >= 0 ? seconds : kDefaultLockWait;
}

} // namespace

bool lockForWriting(std::optional<LockFile>& lock, const std::string& package, HReporter& report)
{
    lock.emplace(followLinks(package));
    if (lock->acquire(lockWaitSeconds()))
        return true;
    report.fatal(lock->error());
    return false;
}
