#pragma once

#include <optional>
#include <string>
#include <sys/stat.h>

#include "foundation/Failure.h"
#include "foundation/SiblingOpener.h"
#include "package/Archive.h"

// How a member's read-only flag follows the file's permission bits: the archive
// commands mark files the owner may read but not write, solution packaging files
// the owner may not write.
enum class ReadOnlyWhen { OwnerReadsOnly, OwnerCannotWrite };

// The status of `path` when it is a regular file that may be read, or a device
// that opens for reading, else nothing (a directory, FIFO or socket among them).
// Files looked up one after another from one tree go faster through one `siblings`.
std::optional<struct stat> readableFileStatus(const std::string& path, SiblingOpener* siblings = nullptr);

// Adds the file `path`, of the `status` looked up before, to `archive` as the
// member `memberName`, with its size, modification time and read-only flag; its
// bytes are read when the archive is written. A Failure whose text is the
// message when it has no status ("can't open <path> for reading") or does not
// fit a member.
Status addFileMember(Archive2& archive, const std::optional<struct stat>& status, const std::string& path,
                     const std::string& memberName, ReadOnlyWhen rule);

// The same, looking the file up now.
Status addFileMember(Archive2& archive, const std::string& path, const std::string& memberName,
                     ReadOnlyWhen rule = ReadOnlyWhen::OwnerReadsOnly, SiblingOpener* siblings = nullptr);
