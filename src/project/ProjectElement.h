#pragma once

#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/Path.h"

class MacroSystem;

class XMLElement;
class PropertyInheritanceInformation;

// One node of a solution tree: a kind fixed by its tag name and a map of text
// attributes. A node owns its children, which keep their insertion order.
// Property values live as attributes of "configuration" children, one per
// configuration name.
class ProjectElement {
public:
    // The five kinds of the solution format, and the kind of any other tag.
    enum Kind { kSolution = 0, kConfiguration = 1, kProject = 2, kFolder = 3, kFile = 4, kUnknown = 5 };

    // "file_name" references expand with the global macros of `macros` (a child
    // appended without one takes its parent's); without one they stay as written.
    explicit ProjectElement(const std::string& tagName, const MacroSystem* macros = nullptr);
    ~ProjectElement(); // destroys the whole subtree
    ProjectElement(const ProjectElement&) = delete;
    ProjectElement& operator=(const ProjectElement&) = delete;

    int kind() const { return kind_; }
    // The tag name of the kind; null for a tag that is not one of the five.
    std::optional<std::string> getTagName() const;

    // Null when absent.
    std::optional<std::string> attribute(const std::string& name) const;
    bool hasAttribute(const std::string& name) const;
    const std::map<std::string, std::string>& attributes() const { return attributes_; }
    // Sets the value, records the change time and `flag`, marks the element modified.
    void setAttribute(const std::string& name, const std::string& value, bool flag);
    // Removes it, records the change time, marks the element modified.
    void removeAttribute(const std::string& name);
    // Copies every attribute of `element` in its order (later names win); times,
    // flags and the modified flag are left alone.
    void setAttributesFrom(const XMLElement* element);
    void setName(const std::string& name, bool flag) { setAttribute("Name", name, flag); }
    // Stores "file_name" and `flag` only, and forgets the resolved file.
    void setFileName(const std::string& name, bool flag);
    // Sets the resolved file to `path` and marks it resolved.
    void setPath(const std::string& path);
    // "Name" when present and not empty; else, with a "file_name", the file name
    // part of the resolved file; else "<NULL>".
    std::string getName();

    ProjectElement* parent() const { return parent_; }
    ProjectElement* firstChild() const { return firstChild_; }
    ProjectElement* nextSibling() const { return nextSibling_; }
    // Links `child` (detached) after the last child, in constant time, and marks
    // this element modified; a configuration is also entered in the
    // configuration map under its getName() now.
    void appendChild(ProjectElement* child);
    // Unlinks `child` from this element's children; the caller then owns it.
    void removeChild(ProjectElement* child);

    // Configuration children by name.
    const std::map<std::string, ProjectElement*>& configurations() const;
    int numConfigurationElements() const { return static_cast<int>(configurations().size()); }
    // The first configuration, folder or file child of that name (file: by
    // "file_name"), in constant time on average, whatever the number of children.
    ProjectElement* findChild(int kind, const std::string& name);
    // The folder children in order, without walking the other children; valid
    // until the children change.
    const std::vector<ProjectElement*>& folderChildren();

    // One lookup step: adds the attribute `name` of the configuration child
    // `configuration`, when there is one, to `value` (joined with ";" when
    // `value` is not empty) and to `info`; true when found.
    bool getProperty(const std::string& configuration, const std::string& name, std::optional<std::string>& value,
                     PropertyInheritanceInformation* info) const;
    // Rebuilds the inheritance map from the configurations' "inherited_configurations".
    void updateInheritenceMap();
    // The configurations that `configuration` inherits; empty when none are recorded.
    const std::vector<std::string>& inheritedConfigurations(const std::string& configuration) const;

    // Resolves the element's file once (the name is historical): its base
    // directory, the written and full paths, and the in/under base-directory flags.
    void checkDoFileStuff();
    // Where relative names below this element are taken from: the base directory
    // of the nearest project above it, else the directory of the nearest
    // solution's file, else empty (the current directory).
    std::string baseDirectoryAbove() const;
    const Path& path() const { return path_; }
    const std::string& baseDirectory() const { return baseDirectory_; }
    const std::string& writtenFilePath() const { return writtenFilePath_; }
    bool inBaseDirectory() const { return inBaseDirectory_; }
    bool underBaseDirectory() const { return underBaseDirectory_; }
    bool resolved() const { return resolved_; }

    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }
    const std::map<std::string, std::time_t>& changeTimes() const;
    void clearChangeTimes();
    bool imported() const { return imported_; }
    void setImported(bool imported) { imported_ = imported; }
    std::time_t loadTime() const { return loadTime_; }
    void setLoadTime(std::time_t time) { loadTime_ = time; }
    bool creationFlag() const { return creationFlag_; }
    void setCreationFlag(bool flag) { creationFlag_ = flag; }
    // Projects by key, kept on solution elements by the project index.
    std::map<std::string, ProjectElement*>& projects() { return extras().projects; }

private:
    // Children of one kind by name, built on first use and kept up to date by
    // appendChild; anything else that could change a name drops it.
    struct ChildIndex;
    ChildIndex& childIndex();
    void dropChildIndex();

    // What most elements never need: configurations (held by elements that have
    // configuration children), change times and flags (kept for attributes set
    // after loading), the project index and inheritance (kept on solutions). Out
    // of line, so that the many file elements of a large solution stay small.
    struct Extras {
        std::map<std::string, ProjectElement*> configurations;
        std::map<std::string, std::time_t> changeTimes;
        std::map<std::string, ProjectElement*> projects;
        std::map<std::string, std::vector<std::string>> inheritance;
        std::map<std::string, bool> attributeFlags;
    };
    // Made on first use.
    Extras& extras();

    ProjectElement* parent_ = nullptr;
    ProjectElement* nextSibling_ = nullptr;
    ProjectElement* firstChild_ = nullptr;
    ProjectElement* lastChild_ = nullptr;
    int kind_;
    const MacroSystem* macros_;
    std::map<std::string, std::string> attributes_;
    bool modified_ = false;
    bool resolved_ = false;
    Path path_;
    std::string baseDirectory_;
    std::string writtenFilePath_;
    bool inBaseDirectory_ = false;
    bool underBaseDirectory_ = false;
    bool imported_ = false;
    std::time_t loadTime_ = 0;
    bool creationFlag_ = false;
    std::unique_ptr<Extras> extras_;
    std::unique_ptr<ChildIndex> childIndex_;
};

// The element after `element` in document order (parents before children,
// children in order) among `top` and the elements below it; null after the last.
// Walks the links alone, so a deep tree needs no stack.
ProjectElement* nextInDocumentOrder(const ProjectElement* element, const ProjectElement* top);
