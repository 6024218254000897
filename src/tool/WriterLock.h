#pragma once

#include <optional>
#include <string>

#include "foundation/LockFile.h"

class HReporter;

// Writers of one package take turns: takes the lock file beside `package` (its
// links followed), waiting for another writer as long as MKPKG_LOCK_WAIT says
// (60 seconds unless set). False, after a fatal error naming the lock file,
// when it could not be had.
bool lockForWriting(std::optional<LockFile>& lock, const std::string& package, HReporter& report);
