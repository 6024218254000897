// Scratch directories and small file helpers shared by the test binaries.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace testsupport {

// A fresh directory under $TMPDIR (or /tmp): removed when the current test
// passed, kept with its path printed when it failed.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Creates missing parents, writes `data`, then sets `mode` and, if given,
// `mtime` as access and modification time.
void writeFile(const std::string& path, std::string_view data, mode_t mode = 0644,
               std::optional<int64_t> mtime = std::nullopt);
std::string readFile(const std::string& path); // throws std::runtime_error
bool exists(const std::string& path);          // without following a final symlink
mode_t fileMode(const std::string& path);      // permission bits; throws std::runtime_error
int64_t fileMtime(const std::string& path);    // throws std::runtime_error
// Every entry below `dir`, relative to it; directories end in "/".
std::set<std::string> listTree(const std::string& dir);

} // namespace testsupport
