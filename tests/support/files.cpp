#include "support/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/mkpkg-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed for " + pattern);
    path_ = pattern;
}

TempDir::~TempDir()
{
    if (::testing::Test::HasFailure()) {
        std::fprintf(stderr, "kept temporary directory %s\n", path_.c_str());
        return;
    }
    // Tests lock directories; open them again so that they can be removed.
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

void writeFile(const std::string& path, std::string_view data, mode_t mode, std::optional<int64_t> mtime)
{
    if (const fs::path parent = fs::path(path).parent_path(); !parent.empty())
        fs::create_directories(parent);
    std::remove(path.c_str()); // an earlier copy may be read-only
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out || chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("cannot write " + path);
    const timespec times[2] = {{static_cast<time_t>(mtime.value_or(0)), 0},
                               {static_cast<time_t>(mtime.value_or(0)), 0}};
    if (mtime && utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot touch " + path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

namespace {
struct stat statOf(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        throw std::runtime_error("cannot stat " + path);
    return st;
}
} // namespace

mode_t fileMode(const std::string& path)
{
    return statOf(path).st_mode & 07777;
}
int64_t fileMtime(const std::string& path)
{
    return statOf(path).st_mtime;
}

std::set<std::string> listTree(const std::string& dir)
{
    // A link is listed as the place it leads to. A file the program removes
    // while the tree is read (a temporary, a lock) is left out, never thrown over.
    std::set<std::string> entries;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(dir, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        std::error_code gone;
        const std::string rel = fs::relative(it->path(), dir, gone).string();
        if (!gone)
            entries.insert(it->is_directory(gone) && !it->is_symlink(gone) ? rel + "/" : rel);
    }
    return entries;
}

} // namespace testsupport
