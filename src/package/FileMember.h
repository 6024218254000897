#pragma once

#include <string>

#include "package/Archive.h"

// Adds the regular file `path` to `archive` as the member `memberName`, with its
// size, modification time and read-only flag (owner may read, not write) as they
// are now; its bytes are read when the archive is written. False, with the
// message in `error`, when it cannot be opened as a regular file ("can't open
// <path> for reading") or does not fit a member.
bool addFileMember(Archive2& archive, const std::string& path, const std::string& memberName, std::string& error);
