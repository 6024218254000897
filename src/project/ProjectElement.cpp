#include "project/ProjectElement.h"

#include <array>
#include <unordered_map>

#include "foundation/PathText.h"
#include "foundation/Text.h"
#include "macros/MacroSystem.h"
#include "project/PropertyInheritance.h"
#include "xml/XML.h"

namespace {

struct KindName {
    const char* tag;
    ProjectElement::Kind kind;
};

constexpr std::array<KindName, 5> kKinds{{
    {"solution", ProjectElement::kSolution},
    {"configuration", ProjectElement::kConfiguration},
    {"project", ProjectElement::kProject},
    {"folder", ProjectElement::kFolder},
    {"file", ProjectElement::kFile},
}};

// Unknown tags get a kind of their own: the loader keeps them in the tree, and
// no tree operation treats them as anything but an opaque node.
ProjectElement::Kind kindOf(const std::string& tagName)
{
    for (const KindName& entry : kKinds)
        if (tagName == entry.tag)
            return entry.kind;
    return ProjectElement::kUnknown;
}

// The slot of a kind in the child index; -1 for kinds that are never looked up by name.
int indexSlot(int kind)
{
    switch (kind) {
    case ProjectElement::kConfiguration:
        return 0;
    case ProjectElement::kFolder:
        return 1;
    case ProjectElement::kFile:
        return 2;
    default:
        return -1;
    }
}

// Attributes whose value is (part of) the key a child is found by.
bool isNameAttribute(const std::string& name)
{
    return name == "Name" || name == "file_name";
}

bool isAbsolute(const std::string& path)
{
    return !path.empty() && path[0] == '/';
}

// The directory of the nearest solution at or above `element` that has a file: a
// solution element nested in a file takes its names from the file's directory.
// Empty when there is none.
std::string solutionDirectory(ProjectElement* element)
{
    for (ProjectElement* e = element; e != nullptr; e = e->parent()) {
        if (e->kind() != ProjectElement::kSolution)
            continue;
        e->checkDoFileStuff();
        if (!e->path().isEmpty())
            return e->path().dirPath(true);
    }
    return {};
}

} // namespace

struct ProjectElement::ChildIndex {
    // One map per looked-up kind: key to the first child in order with that key.
    std::array<std::unordered_map<std::string, ProjectElement*>, 3> bySlot;
    // Folder children in order: adding a file to a project looks at these only.
    std::vector<ProjectElement*> folders;
};

ProjectElement::ProjectElement(const std::string& tagName, const MacroSystem* macros)
    : kind_(kindOf(tagName)), macros_(macros)
{
}

ProjectElement::~ProjectElement()
{
    // Siblings are deleted in a loop, so a long child list costs no stack depth.
    ProjectElement* child = firstChild_;
    while (child != nullptr) {
        ProjectElement* next = child->nextSibling_;
        delete child;
        child = next;
    }
}

std::optional<std::string> ProjectElement::getTagName() const
{
    for (const KindName& entry : kKinds)
        if (entry.kind == kind_)
            return std::string(entry.tag);
    return std::nullopt;
}

std::optional<std::string> ProjectElement::attribute(const std::string& name) const
{
    auto it = attributes_.find(name);
    if (it == attributes_.end())
        return std::nullopt;
    return it->second;
}

bool ProjectElement::hasAttribute(const std::string& name) const
{
    return attributes_.count(name) != 0;
}

void ProjectElement::setAttribute(const std::string& name, const std::string& value, bool flag)
{
    attributes_[name] = value;
    extras().changeTimes[name] = std::time(nullptr);
    extras().attributeFlags[name] = flag;
    modified_ = true;
    if (parent_ != nullptr && isNameAttribute(name))
        parent_->dropChildIndex();
}

void ProjectElement::removeAttribute(const std::string& name)
{
    attributes_.erase(name);
    extras().changeTimes[name] = std::time(nullptr);
    modified_ = true;
    if (parent_ != nullptr && isNameAttribute(name))
        parent_->dropChildIndex();
}

void ProjectElement::setAttributesFrom(const XMLElement* element)
{
    if (element == nullptr)
        return;
    bool renamed = false;
    for (const XMLAttribute* a = element->getAttributeList(); a != nullptr; a = a->next) {
        std::string name = a->name != nullptr ? a->name : "";
        attributes_[name] = a->value != nullptr ? a->value : "";
        renamed = renamed || isNameAttribute(name);
    }
    if (renamed && parent_ != nullptr)
        parent_->dropChildIndex();
}

void ProjectElement::setFileName(const std::string& name, bool flag)
{
    attributes_["file_name"] = name;
    extras().attributeFlags["file_name"] = flag;
    resolved_ = false;
    if (parent_ != nullptr)
        parent_->dropChildIndex();
}

void ProjectElement::setPath(const std::string& path)
{
    path_.setPath(path);
    // What a project resolves is its base directory, which the file it was read
    // from does not give: that is still to be worked out.
    resolved_ = kind_ != kProject;
    // An element without "Name" is called after its file, which just changed.
    if (parent_ != nullptr && kind_ != kFile)
        parent_->dropChildIndex();
}

std::string ProjectElement::getName()
{
    auto name = attributes_.find("Name");
    if (name != attributes_.end() && !name->second.empty())
        return name->second;
    if (hasAttribute("file_name")) {
        checkDoFileStuff();
        return path_.fileName();
    }
    return "<NULL>";
}

void ProjectElement::appendChild(ProjectElement* child)
{
    if (child == nullptr)
        return;
    child->parent_ = this;
    child->nextSibling_ = nullptr;
    if (child->macros_ == nullptr)
        child->macros_ = macros_;
    if (lastChild_ != nullptr)
        lastChild_->nextSibling_ = child;
    else
        firstChild_ = child;
    lastChild_ = child;
    modified_ = true;
    if (child->kind_ == kConfiguration)
        extras().configurations[child->getName()] = child;

    int slot = indexSlot(child->kind_);
    if (childIndex_ == nullptr || slot < 0)
        return;
    if (child->kind_ == kFolder)
        childIndex_->folders.push_back(child);
    std::string key;
    if (child->kind_ == kFile) {
        auto fileName = child->attributes_.find("file_name");
        if (fileName == child->attributes_.end())
            return; // never found by file name
        key = fileName->second;
    } else {
        auto name = child->attributes_.find("Name");
        if ((name == child->attributes_.end() || name->second.empty()) && child->hasAttribute("file_name")) {
            // Its name would come from its file, which should not be resolved
            // before the child has all its ancestors: index it on the next lookup.
            dropChildIndex();
            return;
        }
        key = child->getName();
    }
    childIndex_->bySlot[slot].emplace(std::move(key), child); // the first in order keeps the key
}

void ProjectElement::removeChild(ProjectElement* child)
{
    if (child == nullptr || child->parent_ != this)
        return;
    ProjectElement* previous = nullptr;
    ProjectElement* e = firstChild_;
    while (e != nullptr && e != child) {
        previous = e;
        e = e->nextSibling_;
    }
    if (e == nullptr)
        return;
    if (previous != nullptr)
        previous->nextSibling_ = child->nextSibling_;
    else
        firstChild_ = child->nextSibling_;
    if (lastChild_ == child)
        lastChild_ = previous;
    child->parent_ = nullptr;
    child->nextSibling_ = nullptr;
    dropChildIndex();

    // The configuration map must not keep a pointer to a child it no longer
    // owns; the last remaining configuration of that name takes its place, as
    // appending them again in order would give.
    if (child->kind_ == kConfiguration) {
        std::map<std::string, ProjectElement*>& configurations = extras().configurations;
        std::vector<std::string> freed;
        for (auto it = configurations.begin(); it != configurations.end();) {
            if (it->second == child) {
                freed.push_back(it->first);
                it = configurations.erase(it);
            } else {
                ++it;
            }
        }
        for (ProjectElement* c = firstChild_; c != nullptr && !freed.empty(); c = c->nextSibling_) {
            if (c->kind_ != kConfiguration)
                continue;
            std::string name = c->getName();
            for (const std::string& key : freed)
                if (key == name)
                    configurations[key] = c;
        }
    }
}

void ProjectElement::dropChildIndex()
{
    childIndex_.reset();
}

ProjectElement::ChildIndex& ProjectElement::childIndex()
{
    if (childIndex_ == nullptr) {
        auto index = std::make_unique<ChildIndex>();
        for (ProjectElement* c = firstChild_; c != nullptr; c = c->nextSibling_) {
            int slot = indexSlot(c->kind_);
            if (slot < 0)
                continue;
            if (c->kind_ == kFile) {
                auto fileName = c->attributes_.find("file_name");
                if (fileName != c->attributes_.end())
                    index->bySlot[slot].emplace(fileName->second, c);
                continue;
            }
            index->bySlot[slot].emplace(c->getName(), c);
            if (c->kind_ == kFolder)
                index->folders.push_back(c);
        }
        // Kept only after the walk: getName() may resolve a child, which must
        // not drop an index that is half built.
        childIndex_ = std::move(index);
    }
    return *childIndex_;
}

ProjectElement* ProjectElement::findChild(int kind, const std::string& name)
{
    int slot = indexSlot(kind);
    if (slot < 0)
        return nullptr; // only configurations, folders and files are found by name
    const auto& map = childIndex().bySlot[slot];
    auto it = map.find(name);
    return it == map.end() ? nullptr : it->second;
}

const std::vector<ProjectElement*>& ProjectElement::folderChildren()
{
    return childIndex().folders;
}

bool ProjectElement::getProperty(const std::string& configuration, const std::string& name,
                                 std::optional<std::string>& value, PropertyInheritanceInformation* info) const
{
    if (extras_ == nullptr)
        return false;
    auto config = extras_->configurations.find(configuration);
    if (config == extras_->configurations.end())
        return false;
    ProjectElement* holder = config->second;
    auto found = holder->attributes_.find(name);
    if (found == holder->attributes_.end())
        return false;
    const std::string& text = found->second;
    if (info != nullptr)
        info->push_back({text, holder->getName(), const_cast<ProjectElement*>(this)});
    if (!value || value->empty())
        value = text;
    else
        *value += ";" + text;
    return true;
}

void ProjectElement::updateInheritenceMap()
{
    if (extras_ == nullptr)
        return; // no configurations, so nothing inherited
    extras_->inheritance.clear();
    for (const auto& [name, config] : extras_->configurations) {
        auto inherited = config->attributes_.find("inherited_configurations");
        if (inherited == config->attributes_.end())
            continue;
        extras_->inheritance[name] = splitNonEmpty(inherited->second, ";");
    }
}

const std::vector<std::string>& ProjectElement::inheritedConfigurations(const std::string& configuration) const
{
    static const std::vector<std::string> kNone;
    if (extras_ == nullptr)
        return kNone;
    auto it = extras_->inheritance.find(configuration);
    return it == extras_->inheritance.end() ? kNone : it->second;
}

ProjectElement::Extras& ProjectElement::extras()
{
    if (extras_ == nullptr)
        extras_ = std::make_unique<Extras>();
    return *extras_;
}

const std::map<std::string, ProjectElement*>& ProjectElement::configurations() const
{
    static const std::map<std::string, ProjectElement*> kNone;
    return extras_ != nullptr ? extras_->configurations : kNone;
}

const std::map<std::string, std::time_t>& ProjectElement::changeTimes() const
{
    static const std::map<std::string, std::time_t> kNone;
    return extras_ != nullptr ? extras_->changeTimes : kNone;
}

void ProjectElement::clearChangeTimes()
{
    if (extras_ != nullptr)
        extras_->changeTimes.clear();
}

std::string ProjectElement::baseDirectoryAbove() const
{
    for (ProjectElement* project = parent_; project != nullptr; project = project->parent_) {
        if (project->kind_ == kProject) {
            project->checkDoFileStuff();
            return project->baseDirectory_;
        }
    }
    // Outside any project, names are taken from the solution's directory.
    return solutionDirectory(parent_);
}

void ProjectElement::checkDoFileStuff()
{
    if (resolved_)
        return;

    if (kind_ == kFile) {
        baseDirectory_ = baseDirectoryAbove();
    } else if (kind_ == kProject) {
        // The property is read at the project itself, as the project system's
        // getProjectDirectory does, so resolution needs no project system.
        std::optional<std::string> value;
        getProperty("Common", "project_directory", value, nullptr);
        std::string directory = value.value_or("");
        if (isAbsolute(directory)) {
            baseDirectory_ = directory;
        } else {
            std::string solution = solutionDirectory(parent_);
            // A project file read on its own, with no solution around it, is its own solution.
            if (solution.empty() && !path_.isEmpty())
                solution = path_.dirPath(true);
            if (directory.empty())
                baseDirectory_ = solution;
            else if (solution.empty())
                baseDirectory_ = directory; // no solution: relative to the current directory
            else
                baseDirectory_ = solution + "/" + directory;
        }
        resolved_ = true;
        return;
    }

    auto fileName = attributes_.find("file_name");
    // Most names hold no reference; building the macro table for each of them
    // would cost more than the rest of resolving.
    std::string expanded;
    if (fileName != attributes_.end())
        expanded = fileName->second.find('$') == std::string::npos || macros_ == nullptr
                       ? fileName->second
                       : macros_->replaceMacros(macros_->globalMacros(true), fileName->second);
    std::string full;
    if (isAbsolute(expanded)) {
        full = Path(expanded).filePath();
        writtenFilePath_ = full;
    } else {
        writtenFilePath_ = expanded;
        full = baseDirectory_.empty() ? expanded : baseDirectory_ + "/" + expanded;
        // Without a solution above, the base is empty or relative: the current
        // directory completes it.
        if (!full.empty() && !isAbsolute(full))
            full = absolutePath(full);
    }
    path_.setPath(full);
    std::string directory = path_.isEmpty() ? std::string() : path_.dirPath(true);
    inBaseDirectory_ = directory == baseDirectory_;
    underBaseDirectory_ = directory.compare(0, baseDirectory_.size(), baseDirectory_) == 0;
    resolved_ = true;
}

ProjectElement* nextInDocumentOrder(const ProjectElement* element, const ProjectElement* top)
{
    if (element->firstChild() != nullptr)
        return element->firstChild();
    while (element != top && element->nextSibling() == nullptr)
        element = element->parent();
    return element == top ? nullptr : element->nextSibling();
}
