#include "environment/Settings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <pugixml.hpp>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "foundation/AtomicFile.h"
#include "foundation/UniqueFd.h"
#include "xml/XML.h"

namespace {

// Comments and processing instructions are kept, so that one standing first in
// an element is its value, as a full document model would have it.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;

// Every value is its element's first child written out as XML; nested "setting"
// elements would write the same bytes once per level, so the values together may
// take only a few times the file's size (a control character is written as five).
constexpr std::uint64_t kValueBytesPerFileByte = 8;
constexpr std::uint64_t kValueBytesSlack = 64 * 1024;

FileStamp stampOf(const struct stat& status)
{
    return {static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec, status.st_dev,
            status.st_ino, status.st_size};
}

std::optional<FileStamp> currentStamp(const Path& path)
{
    struct stat status {};
    if (stat(path.osPath(), &status) != 0)
        return std::nullopt;
    return stampOf(status);
}

// The whole file with the stamp of the version read; false when it is not a
// readable regular file of at most kMaxFileSize bytes.
bool readFile(const std::string& path, std::string& bytes, FileStamp& stamp)
{
    // Non-blocking, so that a FIFO in the file's place cannot stall the open.
    const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd)
        return false;
    struct stat status {};
    bool ok = fstat(fd.get(), &status) == 0 && S_ISREG(status.st_mode) &&
              static_cast<std::uint64_t>(status.st_size) <= Settings::kMaxFileSize;
    if (ok) {
        stamp = stampOf(status);
        bytes.reserve(static_cast<std::size_t>(status.st_size));
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = read(fd.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            // The file may grow while it is read: the cap holds for what is read.
            if (n < 0 || bytes.size() + static_cast<std::size_t>(n) > Settings::kMaxFileSize) {
                ok = false;
                break;
            }
            if (n == 0)
                break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return ok;
}

struct ValueBudgetSpent {};

// Collects what the document writer prints; throws ValueBudgetSpent once the
// values of one file have taken their budget, which stops the print at once.
class ValueWriter : public pugi::xml_writer {
public:
    explicit ValueWriter(std::uint64_t budget) : left_(budget) {}

    void write(const void* data, std::size_t size) override
    {
        if (size > left_)
            throw ValueBudgetSpent{};
        left_ -= size;
        text.append(static_cast<const char*>(data), size);
    }

    std::string text;

private:
    std::uint64_t left_;
};

// The node after `node` in document order; iterative, as a hostile file may
// nest deeper than any stack.
pugi::xml_node following(pugi::xml_node node)
{
    if (pugi::xml_node child = node.first_child())
        return child;
    for (; node; node = node.parent())
        if (pugi::xml_node sibling = node.next_sibling())
            return sibling;
    return {};
}

bool readEntries(const pugi::xml_document& document, std::uint64_t budget, SettingsTable& entries)
{
    ValueWriter writer(budget);
    try {
        for (pugi::xml_node node = document.first_child(); node; node = following(node)) {
            if (node.type() != pugi::node_element || std::strcmp(node.name(), "setting") != 0)
                continue;
            const char* name = node.attribute("name").value();
            if (*name == '\0')
                continue;
            writer.text.clear();
            if (pugi::xml_node child = node.first_child())
                child.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
            entries.insert_or_assign(name, Setting(xmlUnescapeEntities(writer.text), Setting::Unchanged));
        }
    } catch (const ValueBudgetSpent&) {
        return false;
    }
    return true;
}

bool loadFile(const Path& path, SettingsTable& entries, FileStamp& stamp)
{
    std::string bytes;
    if (!readFile(path.osPathQString(), bytes, stamp))
        return false;
    pugi::xml_document document;
    // As UTF-8 whatever the file declares, so that its bytes pass through unchanged.
    if (!document.load_buffer_inplace(bytes.data(), bytes.size(), kParseOptions, pugi::encoding_utf8))
        return false;
    SettingsTable read;
    if (!readEntries(document, bytes.size() * kValueBytesPerFileByte + kValueBytesSlack, read))
        return false;
    entries = std::move(read);
    return true;
}

// Names of properties hold no XML special characters, but a file edited by hand
// can bring any name in, and writing it raw would make the whole file unreadable.
// Line breaks and tabs are written as references because an attribute value
// read back turns raw ones into blanks.
constexpr std::pair<char, const char*> kNameReferences[] = {
    {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}, {'\t', "&#9;"}, {'\n', "&#10;"}, {'\r', "&#13;"},
};

std::string escapeName(const std::string& name)
{
    std::string out;
    for (const char c : name) {
        const auto* reference = std::find_if(std::begin(kNameReferences), std::end(kNameReferences),
                                             [c](const auto& entry) { return entry.first == c; });
        if (reference != std::end(kNameReferences))
            out += reference->second;
        else
            out += c;
    }
    return out;
}

bool put(AtomicFile& out, const std::string& text)
{
    return out.put(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

} // namespace

Settings::~Settings()
{
    save();
}

bool Settings::load(const Path& path, SettingsTable& entries)
{
    FileStamp stamp;
    return loadFile(path, entries, stamp);
}

bool Settings::save(const Path& path, const SettingsTable& entries)
{
    // No file named: nothing to write (a Settings that never had a path).
    if (path.isEmpty())
        return false;
    // Unchecked: a directory that cannot be made fails the write below.
    std::error_code ignored;
    std::filesystem::create_directories(path.dirPath(true), ignored);
    AtomicFile out(path.osPathQString());
    if (!out.create() || !put(out, "<!DOCTYPE Lathmark_Settings_File>\n<settings>\n"))
        return false;
    for (const auto& [name, setting] : entries) {
        // A removed entry is not written: writing its last value would undo the
        // removal at the next read.
        if (setting.state == Setting::Removed)
            continue;
        if (!put(out,
                 "  <setting name=\"" + escapeName(name) + "\">" + xmlEscapeEntities(setting.value) + "</setting>\n"))
            return false;
    }
    return put(out, "</settings>\n") && out.commit();
}

bool Settings::mergeChanges(SettingsTable& target, const SettingsTable& changes)
{
    for (const auto& [name, setting] : changes) {
        if (setting.state == Setting::Changed)
            target.insert_or_assign(name, Setting(setting.value, Setting::Unchanged));
        else if (setting.state == Setting::Removed)
            target.erase(name);
    }
    return true;
}

void Settings::setPath(const Path& path)
{
    path_ = path;
    load();
}

bool Settings::load()
{
    FileStamp stamp;
    if (!loadFile(path_, entries_, stamp))
        return false;
    lastModified_ = stamp;
    modified_ = false;
    return true;
}

bool Settings::save()
{
    if (!save(path_, entries_))
        return false;
    markSaved();
    return true;
}

std::string Settings::readEntry(const std::string& name, const std::string& defaultValue, bool* ok) const
{
    const auto it = entries_.find(name);
    // `ok` tells whether the entry was there, so a caller can tell a stored
    // value equal to the default from the default standing in.
    const bool found = it != entries_.end() && it->second.state != Setting::Removed;
    if (ok != nullptr)
        *ok = found;
    return found ? it->second.value : defaultValue;
}

bool Settings::writeEntry(const std::string& name, const std::string& value)
{
    const auto it = entries_.find(name);
    // The stored value decides, whatever its state: writing a removed entry's
    // old value back leaves it removed.
    if (it != entries_.end() && it->second.value == value)
        return true;
    entries_.insert_or_assign(name, Setting(value, Setting::Changed));
    modified_ = true;
    return true;
}

bool Settings::removeEntry(const std::string& name)
{
    const auto it = entries_.find(name);
    if (it != entries_.end()) {
        it->second.state = Setting::Removed;
        modified_ = true;
    }
    return true;
}

bool Settings::sync()
{
    if (currentStamp(path_) == lastModified_) {
        if (modified_)
            save();
        return true;
    }
    if (!modified_) {
        load();
        return true;
    }
    // Both changed: this process's changes and removals go over what the other
    // wrote. A file that cannot be read gives an empty table.
    SettingsTable merged;
    load(path_, merged);
    mergeChanges(merged, entries_);
    // Until the merge is saved the table keeps its marks, so that a later call
    // merges them again rather than losing them.
    if (save(path_, merged)) {
        entries_ = std::move(merged);
        markSaved();
    }
    return true;
}

std::optional<std::int64_t> Settings::lastModified() const
{
    if (!lastModified_)
        return std::nullopt;
    return lastModified_->modifiedNs;
}

void Settings::markSaved()
{
    lastModified_ = currentStamp(path_);
    modified_ = false;
    std::erase_if(entries_, [](const auto& entry) { return entry.second.state == Setting::Removed; });
    for (auto& [name, setting] : entries_)
        setting.state = Setting::Unchanged;
}
