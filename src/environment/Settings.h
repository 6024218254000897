#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>

#include "foundation/Path.h"

// The settings file, as written (every line ends in a line feed):
//
//   <!DOCTYPE Lathmark_Settings_File>
//   <settings>
//     <setting name="NAME">VALUE</setting>      one line per entry, in name order
//   </settings>
//
// VALUE has the XML special characters written as entities and may span lines.
// When read, the file is parsed as XML: every element named "setting" anywhere
// is an entry, named by its "name" attribute (elements without one are skipped),
// its value being its first child as XML text, entities decoded. A later entry
// of the same name replaces an earlier one.

// One entry in memory.
class Setting {
public:
    enum State {
        Unchanged = 0, // as read from the file
        Changed = 1,   // written since the file was last read or saved
        Removed = 2,   // removed since then; kept so that the removal can be merged
    };

    Setting() = default;
    Setting(const std::string& value, State state) : value(value), state(state) {}

    std::string value;
    State state = Unchanged;
};

using SettingsTable = std::map<std::string, Setting>;

// Which version of the file was last read or written: its modification time in
// nanoseconds, with its identity and size, since a file replaced by rename within
// one tick of the file system's clock keeps the time but not the inode.
struct FileStamp {
    std::int64_t modifiedNs = 0;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    bool operator==(const FileStamp&) const = default;
};

// One settings file and the entries read from it, with the changes made since.
class Settings {
public:
    // A file larger than this is taken as unreadable: a real one is a few
    // kilobytes, and the document tree can take twenty times the file's size.
    static constexpr std::uint64_t kMaxFileSize = 16 * 1024 * 1024;

    Settings() = default;
    // Saves the entries to the file (nothing when no path was set).
    virtual ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // Replaces `entries` by the file's, all Unchanged. False, with `entries`
    // untouched, when the file is missing, not a regular file, larger than
    // kMaxFileSize, unreadable or not well-formed XML, or when its values would
    // take far more memory than the file itself (nested "setting" elements).
    static bool load(const Path& path, SettingsTable& entries);
    // Writes the entries in the format above, creating the directory first; the
    // old file is replaced only once the new one is complete. False on failure.
    static bool save(const Path& path, const SettingsTable& entries);
    // Copies every Changed entry of `changes` into `target` as Unchanged and
    // drops every Removed one from it. Returns true.
    static bool mergeChanges(SettingsTable& target, const SettingsTable& changes);

    // Sets the file and reads it when it can be read; otherwise the entries stay.
    void setPath(const Path& path);
    // load/save of the file, recording its stamp on success.
    bool load();
    bool save();
    // The value, or `defaultValue` when the entry is missing or Removed.
    std::string readEntry(const std::string& name, const std::string& defaultValue, bool* ok = nullptr) const;
    // Stores the value as Changed unless the entry already holds exactly it,
    // Removed or not. Returns true.
    bool writeEntry(const std::string& name, const std::string& value);
    // Marks an existing entry Removed. Returns true.
    bool removeEntry(const std::string& name);
    // Brings this table and the file together: saves when only this process
    // changed something, reads when only the file changed, and when both did,
    // applies this process's changes over the file's entries and saves that.
    // Returns true; a failed save leaves the changes pending for the next call.
    bool sync();

    const Path& path() const { return path_; }
    const SettingsTable& entries() const { return entries_; }
    bool modified() const { return modified_; }
    // The file's modification time in nanoseconds when last read or written;
    // null before that.
    std::optional<std::int64_t> lastModified() const;

private:
    // After a successful save: the file now holds every change.
    void markSaved();

    SettingsTable entries_;
    Path path_;
    std::optional<FileStamp> lastModified_;
    bool modified_ = false;
};
