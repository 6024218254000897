#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

struct PathFileInfo;

// A file or directory name: "/"-separated text, normalised once whenever it is
// set (relative components and repeated separators removed), with queries on the
// file it names and relative-path computation. Case-sensitive everywhere.
//
// A plain value: copies copy the text. The file information is read on the first
// query after the text was set and not refreshed while the text stays the same.
class Path {
public:
    Path();
    Path(const char* text);
    Path(const std::string& text);
    Path(const Path& other);
    Path& operator=(const Path& other);
    Path(Path&&) noexcept;
    Path& operator=(Path&&) noexcept;
    ~Path();

    void setPath(const std::string& text);
    void setPath(const char* text);

    // This path's text followed directly by `text` (no separator added), normalised.
    Path operator+(const std::string& text) const;
    Path& operator+=(const std::string& text);

    bool isEmpty() const;

    // The operating-system and canonical forms; both are the text itself here.
    const std::string& osPathQString() const;
    const std::string& canonicalPathQString() const;
    const char* osPath() const;
    const char* canonicalPath() const;
    static std::string toOsPath(const std::string& path);
    static std::string toCanonicalPath(const std::string& path);
    static bool isPathDelimiter(char c);

    // The components of the file path, or of its directory, split at "/" with
    // empty components dropped; `absolute` first makes the path absolute.
    std::vector<std::string> filePathQStringList(bool absolute) const;
    std::vector<std::string> dirPathQStringList(bool absolute) const;

    // Queries on the named file; relative paths are taken relative to the
    // current directory.
    std::string filePath() const;
    // Everything after the last "/".
    std::string fileName() const;
    // The file name up to its first ".".
    std::string baseName() const;
    // After the first "." of the file name when `complete`, else after the last.
    std::string extension(bool complete) const;
    // Everything before the last "/" ("." when there is none), made absolute on request.
    std::string dirPath(bool absolute) const;
    Path dir(bool absolute) const;
    bool exists() const;
    bool writable() const;
    bool readable() const;
    // Times in seconds since the epoch and the size in bytes; 0 when the file is missing.
    std::time_t created() const;
    std::time_t lastModified() const;
    std::time_t lastRead() const;
    std::uint64_t size() const;

    // Exact comparison of the canonical forms.
    bool operator==(const Path& other) const;
    bool operator!=(const Path& other) const;
    bool operator<(const Path& other) const;
    static bool equal(const std::string& a, const std::string& b);

    // Removes "/." and "name/.." components and collapses runs of "/", in place.
    // A leading "..", a ".." with no "/" before its parent, and names such as
    // "..x" or "..." are kept: "a/../b" and "/../b" stay as they are.
    static void removeRelativePaths(std::string& path);
    // The directory `to` relative to the directory `from`, both made absolute and
    // cleaned of "." and ".." components;
    // false when they share no directory below the root ("/a/b", "/c/d").
    static bool relativeDirPath(const std::string& from, const std::string& to, std::string& result);
    // The file `file` relative to the directory `dir`; a bare name comes back unchanged.
    static bool relativeFilePath(const std::string& dir, const std::string& file, std::string& result);
    // The relative path when there is one, else `file` made absolute.
    static std::string relativeFilePath(const std::string& dir, const std::string& file);
    // Creates the directory that would hold `filePath`, with its parents.
    static void ensureDirExists(const std::string& filePath);

private:
    const PathFileInfo& info() const;

    std::string path_;
    mutable std::unique_ptr<PathFileInfo> info_;
};
