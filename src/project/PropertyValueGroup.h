#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "project/ProjectContext.h"
#include "project/PropertyClass.h"
#include "project/PropertyValue.h"
#include "xml/XmlPP2.h"

class XMLElement;

// A property group file: its "group" elements each define a group property, an
// Enumeration whose every entry ("groupEntry") names a bundle of property values
// ("property" elements with "name", optional "configuration", and "value") that
// choosing the entry writes.
//
//   <anything>
//     <group name="Target" page="General" group=".." short=".." long=".." default="A">
//       <groupEntry name="A"> <property name="p" configuration="Debug" value="1"/> ... </groupEntry>
//     </group>
//   </anything>

// A handle on one "groupEntry" element; null when no entry was found.
class PropertyValueGroupEntry {
public:
    explicit PropertyValueGroupEntry(XMLElement* element = nullptr) : element_(element) {}

    bool isNull() const { return element_ == nullptr; }
    XMLElement* element() const { return element_; }
    // The "value" of the first child tagged `tag` whose "name" is `name`, and that
    // child's "configuration", when it has one, in `configuration`; null when no
    // child matches.
    std::optional<std::string> getTaggedValue(const std::string& tag, const std::string& name,
                                              std::string& configuration) const;
    // The "name" of every child tagged `tag`, in order.
    std::vector<std::string> getTaggedNames(const std::string& tag) const;

private:
    XMLElement* element_;
};

// The group property that one "group" element defines; the element must live as
// long as the class (its file owns both).
class PropertyValueGroupClass : public PropertyClass {
public:
    explicit PropertyValueGroupClass(XMLElement* group);

    XMLElement* element() const { return group_; }
    // The entry of that name; a null handle when there is none.
    PropertyValueGroupEntry getGroupEntry(const std::string& entryName) const;

private:
    XMLElement* group_;
};

// One loaded group file: the document, the time the file had when it was
// loaded, and the group classes built from it.
class PropertyValueGroupFile : public XMLPP2 {
public:
    // Warnings go to `warn` when given (see projectWarning).
    PropertyValueGroupFile(const MacroSystem& macros, const std::string& path, const WarningSink* warn = nullptr);

    // Reads and preprocesses the file and builds its group classes. False, with
    // nothing built, when the file cannot be read or parsed or has no root element.
    bool load();
    // True while the file's modification time on disk is the one it had at load.
    bool isUpToDate() const;
    const std::string& path() const { return path_; }
    // The first group class named `name`, or null.
    PropertyValueGroupClass* getGroupClass(const std::string& name) const;
    const std::vector<std::unique_ptr<PropertyValueGroupClass>>& groupClasses() const { return classes_; }

    void warning(const std::string& message) override;

private:
    std::string path_;
    const WarningSink* warn_;
    std::optional<std::int64_t> modified_; // nanoseconds since the epoch
    std::vector<std::unique_ptr<PropertyValueGroupClass>> classes_;
};

// The loaded group files, of which at most one is current. A file is reused
// while unchanged on disk; once changed it is retired (kept, since group
// classes taken from it may still be in use, but never reused) and read afresh.
class PropertyValueGroups {
public:
    // Group files are preprocessed with `macros`.
    // Group files are preprocessed with `macros`; their warnings go to `warn` when given.
    explicit PropertyValueGroups(const MacroSystem& macros, const WarningSink* warn = nullptr)
        : macros_(macros), warn_(warn)
    {
    }

    // Makes the file at `path` current, loading it when needed; "None", or a
    // file that cannot be loaded, leaves no file current.
    void setGroupFile(const std::string& path);
    PropertyValueGroupFile* currentFile() const { return current_; }
    // The current file's group class named `name`; null without a current file.
    PropertyValueGroupClass* getGroupClass(const std::string& name) const;
    const std::vector<std::unique_ptr<PropertyValueGroupFile>>& loadedFiles() const { return loaded_; }
    const std::vector<std::unique_ptr<PropertyValueGroupFile>>& retiredFiles() const { return retired_; }

private:
    const MacroSystem& macros_;
    const WarningSink* warn_;
    std::vector<std::unique_ptr<PropertyValueGroupFile>> loaded_;
    std::vector<std::unique_ptr<PropertyValueGroupFile>> retired_;
    PropertyValueGroupFile* current_ = nullptr;
};

// A group property's value at an element: setting it applies the chosen entry.
class PropertyValueGroupValue : public ProjectPropertyValue {
public:
    PropertyValueGroupValue(PropertyValueGroupClass* groupClass, ProjectElement* element,
                            const std::string& configuration, ProjectSystem* system);

    // Records the choice in the group property and writes the entry's bundle; a
    // text that names no entry chooses the class's default entry instead.
    void setPropertyValue(const std::string& text, bool flag);
    void setPropertyValue(const std::optional<std::string>& text) override;

private:
    PropertyValueGroupClass* groupClass_;
};
