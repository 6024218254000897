#include "foundation/Path.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/PathText.h"
#include "foundation/QTx.h"

// What the file system said about the path when it was first asked.
struct PathFileInfo {
    bool exists = false;
    bool readable = false;
    bool writable = false;
    struct stat status {};
};

Path::Path() = default;

Path::Path(const char* text)
{
    setPath(text);
}

Path::Path(const std::string& text)
{
    setPath(text);
}

// The cached file information belongs to the object that read it; a copy reads its own.
Path::Path(const Path& other) : path_(other.path_) {}

Path& Path::operator=(const Path& other)
{
    if (this != &other) {
        path_ = other.path_;
        info_.reset();
    }
    return *this;
}

Path::Path(Path&&) noexcept = default;
Path& Path::operator=(Path&&) noexcept = default;
Path::~Path() = default;

void Path::setPath(const std::string& text)
{
    path_ = text;
    removeRelativePaths(path_);
    info_.reset();
}

void Path::setPath(const char* text)
{
    setPath(std::string(text != nullptr ? text : ""));
}

Path Path::operator+(const std::string& text) const
{
    return Path(path_ + text);
}

Path& Path::operator+=(const std::string& text)
{
    setPath(path_ + text);
    return *this;
}

bool Path::isEmpty() const
{
    return path_.empty();
}

const std::string& Path::osPathQString() const
{
    return path_;
}

const std::string& Path::canonicalPathQString() const
{
    return path_;
}

const char* Path::osPath() const
{
    return path_.c_str();
}

const char* Path::canonicalPath() const
{
    return path_.c_str();
}

std::string Path::toOsPath(const std::string& path)
{
    return path;
}

std::string Path::toCanonicalPath(const std::string& path)
{
    return path;
}

bool Path::isPathDelimiter(char c)
{
    return c == '/';
}

std::vector<std::string> Path::filePathQStringList(bool absolute) const
{
    return pathComponents(absolute ? absolutePath(path_) : path_);
}

std::vector<std::string> Path::dirPathQStringList(bool absolute) const
{
    return pathComponents(dirPath(absolute));
}

std::string Path::filePath() const
{
    return path_;
}

std::string Path::fileName() const
{
    return fileNamePart(path_);
}

std::string Path::baseName() const
{
    std::string name = fileName();
    return name.substr(0, name.find('.'));
}

std::string Path::extension(bool complete) const
{
    std::string name = fileName();
    std::string::size_type dot = complete ? name.find('.') : name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string Path::dirPath(bool absolute) const
{
    return directoryPart(absolute ? absolutePath(path_) : path_);
}

Path Path::dir(bool absolute) const
{
    return Path(dirPath(absolute));
}

const PathFileInfo& Path::info() const
{
    if (!info_) {
        info_ = std::make_unique<PathFileInfo>();
        info_->exists = stat(path_.c_str(), &info_->status) == 0;
        if (!info_->exists)
            info_->status = {};
        info_->readable = info_->exists && access(path_.c_str(), R_OK) == 0;
        info_->writable = info_->exists && access(path_.c_str(), W_OK) == 0;
    }
    return *info_;
}

bool Path::exists() const
{
    return info().exists;
}

bool Path::writable() const
{
    return info().writable;
}

bool Path::readable() const
{
    return info().readable;
}

std::time_t Path::created() const
{
    return info().status.st_ctime;
}

std::time_t Path::lastModified() const
{
    return info().status.st_mtime;
}

std::time_t Path::lastRead() const
{
    return info().status.st_atime;
}

std::uint64_t Path::size() const
{
    return static_cast<std::uint64_t>(info().status.st_size);
}

bool Path::operator==(const Path& other) const
{
    return path_ == other.path_;
}

bool Path::operator!=(const Path& other) const
{
    return path_ != other.path_;
}

bool Path::operator<(const Path& other) const
{
    return path_ < other.path_;
}

bool Path::equal(const std::string& a, const std::string& b)
{
    return a == b;
}

// The rules are those of a forward search for "." that deletes "/." and
// "/<name>/.." and then resumes at the start of the deletion. Deletions never
// reach past the "." just found and the search never looks again at text before
// where it resumes, so the text before the search point can be built up in `out`
// while the input is read once. The positions of the "/"s in `out` are kept so
// that finding the parent of a ".." does not rescan a long name every time.
void Path::removeRelativePaths(std::string& path)
{
    std::string out;
    out.reserve(path.size());
    std::vector<std::size_t> slashes;
    const std::size_t n = path.size();
    for (std::size_t k = 0; k < n; ++k) {
        const char c = path[k];
        const bool afterSlash = c == '.' && !out.empty() && out.back() == '/';
        if (afterSlash && (k + 1 == n || path[k + 1] == '/')) {
            // "/." goes, "/" included.
            out.pop_back();
            slashes.pop_back();
            continue;
        }
        if (afterSlash && path[k + 1] == '.' && (k + 2 == n || path[k + 2] == '/')) {
            // The parent's "/" is the last one at or before i - 3, where i is
            // where this ".." stands; without one, the ".." is kept as a name.
            const std::size_t i = out.size();
            std::size_t above = slashes.size();
            while (above > 0 && slashes[above - 1] + 3 > i)
                --above;
            if (above > 0) {
                out.resize(slashes[above - 1]);
                slashes.resize(above - 1);
                ++k;
                continue;
            }
        }
        if (c == '/')
            slashes.push_back(out.size());
        out.push_back(c);
    }
    out.erase(std::unique(out.begin(), out.end(), [](char a, char b) { return a == '/' && b == '/'; }), out.end());
    path = std::move(out);
}

bool Path::relativeDirPath(const std::string& from, const std::string& to, std::string& result)
{
    result.clear();
    if (to == ".")
        return true;
    // Made absolute and clean: "w/./p" and "x/../w/p" name the directory "w/p"
    // does. The components are compared in place, so that the cost stays that of
    // reading the two names once.
    const std::string a = cleanDirPath(absolutePath(from));
    const std::string b = cleanDirPath(absolutePath(to));
    std::size_t inA = 1, inB = 1, shared = 0; // past the leading "/"
    while (inA < a.size() && inB < b.size()) {
        const std::size_t endA = std::min(a.find('/', inA), a.size());
        const std::size_t endB = std::min(b.find('/', inB), b.size());
        if (a.compare(inA, endA - inA, b, inB, endB - inB) != 0)
            break;
        ++shared;
        inA = endA + 1;
        inB = endB + 1;
    }
    if (shared == 0)
        return false;
    if (inA < a.size()) {
        const std::size_t levels = 1 + static_cast<std::size_t>(std::count(a.begin() + inA, a.end(), '/'));
        result.reserve(3 * levels + (inB < b.size() ? b.size() - inB : 0));
        for (std::size_t i = 0; i < levels; ++i)
            result += "../";
    }
    if (inB < b.size())
        result.append(b, inB);
    else if (!result.empty())
        result.pop_back();
    return true;
}

bool Path::relativeFilePath(const std::string& dir, const std::string& file, std::string& result)
{
    std::string relativeDir;
    if (!relativeDirPath(dir, directoryPart(file), relativeDir))
        return false;
    const std::string name = fileNamePart(file);
    result = relativeDir.empty() ? name : relativeDir + "/" + name;
    return true;
}

std::string Path::relativeFilePath(const std::string& dir, const std::string& file)
{
    std::string result;
    return relativeFilePath(dir, file, result) ? result : absolutePath(file);
}

void Path::ensureDirExists(const std::string& filePath)
{
    // A directory that cannot be made shows up when the file is written.
    QTx::makeDir(directoryPart(filePath));
}
