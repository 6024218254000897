#pragma once

#include <string>

#include "foundation/SiblingOpener.h"
#include "package/Archive.h"

// How a member's read-only flag follows the file's permission bits: the archive
// commands mark files the owner may read but not write, solution packaging files
// the owner may not write.
enum class ReadOnlyWhen { OwnerReadsOnly, OwnerCannotWrite };

// Adds the regular file `path` to `archive` as the member `memberName`, with its
// size, modification time and read-only flag as they are now; its bytes are read
// when the archive is written. False, with the message in `error`, when it
// cannot be opened as a regular file ("can't open <path> for reading") or does
// not fit a member.
// Files added one after another from one tree open faster through one `siblings`.
bool addFileMember(Archive2& archive, const std::string& path, const std::string& memberName, std::string& error,
                   ReadOnlyWhen rule = ReadOnlyWhen::OwnerReadsOnly, SiblingOpener* siblings = nullptr);
