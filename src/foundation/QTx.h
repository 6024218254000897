#pragma once

#include <functional>
#include <string>
#include <sys/stat.h>

#include "foundation/ByteSink.h"

class SiblingOpener;

// File and directory helpers, and where the program and the user's data live.
namespace QTx {

// Creates the directory and any missing parents; true when it exists afterwards.
bool makeDir(const std::string& path);

// True when `path` is a regular file that may be opened for reading, whose status
// then fills `status`. Nothing is opened, so a FIFO in its place cannot hang;
// looked up through `siblings` when given, which keeps the directory of the last file open.
bool readableRegularFile(const std::string& path, struct stat& status, SiblingOpener* siblings = nullptr);

// Deletes one file; true on success.
bool removeFile(const std::string& path);

// Writes the contents `fill` streams into the file opened for writing as `fd`,
// sets its access and modification times to `time` and, when `readOnly`, clears
// the owner's write bit; then closes `fd`. False when `fill` or closing fails
// (the partly written file then stays).
bool fillFile(int fd, const std::function<bool(ByteSink&)>& fill, bool readOnly, long time);

// Where the program is installed: its own canonical directory, and the
// installation root some levels above it. Empty until worked out.
struct InstallationDirectories {
    std::string application;
    std::string root;
};

// The program's canonical directory and the directory `levelsUp` above it.
InstallationDirectories applicationPath(const char* argv0, int levelsUp);

// $HOME + "/." + name in lower case, every blank of the result replaced by "_".
std::string userLocalAppDataDirectory(const std::string& name);

// Specified interface, unused by the tool (extraction creates its files
// through ConfinedDirectory and fillFile):
// creates or replaces `path` (mode 0600 before the umask) with `size` bytes from
// `data`, as fillFile does. False when the file cannot be opened for writing.
bool createFile(const std::string& path, unsigned int size, const unsigned char* data, bool readOnly, long time);

} // namespace QTx
