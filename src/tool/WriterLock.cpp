#include "tool/WriterLock.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "foundation/DirectoryListing.h"
#include "tool/HReporter.h"

namespace {

// Long enough for another writer of an ordinary package to finish.
constexpr double kDefaultLockWait = 60;

std::string seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// MKPKG_LOCK_WAIT as seconds: a decimal number, whole and not negative
// ("5", "0.5"); anything else is a warning, in every output mode, and the default.
double lockWaitSeconds(HReporter& report)
{
    const char* text = std::getenv("MKPKG_LOCK_WAIT");
    if (text == nullptr)
        return kDefaultLockWait;
    const std::string value = text;
    const bool decimal = !value.empty() && std::isdigit(static_cast<unsigned char>(value[0])) &&
                         value.find_first_not_of("0123456789.") == std::string::npos &&
                         std::count(value.begin(), value.end(), '.') <= 1;
    char* end = nullptr;
    const double wait = decimal ? std::strtod(text, &end) : -1;
    if (decimal && *end == '\0' && std::isfinite(wait))
        return wait;
    report.warning("MKPKG_LOCK_WAIT=" + value + " is not a number of seconds; waiting up to " +
                   seconds(kDefaultLockWait) + " s");
    return kDefaultLockWait;
}

} // namespace

bool lockForWriting(std::optional<LockFile>& lock, const std::string& package, HReporter& report)
{
    const double wait = lockWaitSeconds(report);
    lock.emplace(followLinks(package));
    // On a terminal the wait is said from its first moment; the line goes when it ends.
    auto waiting = [&](const std::string& holder) {
        report.status("waiting for " + lock->path() + ", held by " + holder + " (up to " + seconds(wait) + " s)");
    };
    const bool taken = lock->acquire(wait, waiting);
    report.clearStatus();
    if (taken)
        return true;
    report.fatal(lock->error());
    return false;
}
