// The project system's operations on the solution tree: lookups, creation and
// removal of elements, files and dynamic folders, and the project index.
#include <algorithm>
#include <cctype>

#include "foundation/DirectoryListing.h"
#include "foundation/PathText.h"
#include "foundation/Text.h"
#include "macros/MacroSystem.h"
#include "project/ProjectSystem.h"

namespace {

// The extension of the file name part, after its last ".", in lower case; empty
// when the name has no "." (such a file matches no folder filter).
std::string lowerExtension(const std::string& fileName)
{
    std::string name = fileNamePart(fileName);
    std::string::size_type dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : lowerCase(name.substr(dot + 1));
}

// True when the items of `filter`, split at "," and ";", include `extension`.
bool filterLists(const std::string& filter, const std::string& extension)
{
    std::vector<std::string> items = splitNonEmpty(filter, ",;");
    return std::find(items.begin(), items.end(), extension) != items.end();
}

using ElementMap = std::map<std::string, ProjectElement*>;

// The projects of the solutions nested in `parent`, and of theirs, enter
// `target` qualified by the chain of solution names that leads to them.
void indexNestedProjects(ElementMap& target, const std::string& prefix, ProjectElement* parent)
{
    for (ProjectElement* child = parent->firstChild(); child != nullptr; child = child->nextSibling()) {
        if (child->kind() == ProjectElement::kProject) {
            target[prefix.empty() ? child->getName() : child->getName() + "(" + prefix + ")"] = child;
        } else if (child->kind() == ProjectElement::kSolution) {
            std::string name = child->getName();
            indexNestedProjects(target, prefix.empty() ? name : prefix + "," + name, child);
        }
    }
}

// Every solution below `parent` gets its own project map and inheritance map,
// and enters `solutions` under each chain of solution names that ends in it,
// longest first: a solution C in B in A is "A,B,C", "B,C" and "C". Each solution
// is visited once, so nesting costs time in the number of keys rather than a
// walk per key; where two chains give one key, the later solution in document
// order keeps it.
void indexSolutions(ElementMap& solutions, std::vector<std::string>& chain, ProjectElement* parent)
{
    for (ProjectElement* child = parent->firstChild(); child != nullptr; child = child->nextSibling()) {
        if (child->kind() != ProjectElement::kSolution)
            continue;
        chain.push_back(child->getName());
        std::string key;
        for (auto name = chain.rbegin(); name != chain.rend(); ++name)
            key = key.empty() ? *name : *name + "," + key;
        for (std::size_t start = 0; start < chain.size(); ++start) {
            solutions[key] = child;
            key.erase(0, chain[start].size() + 1);
        }
        child->projects().clear();
        indexNestedProjects(child->projects(), "", child);
        child->updateInheritenceMap();
        indexSolutions(solutions, chain, child);
        chain.pop_back();
    }
}

std::vector<std::string> keysOf(const ElementMap& map)
{
    std::vector<std::string> keys;
    keys.reserve(map.size());
    for (const auto& entry : map)
        keys.push_back(entry.first);
    return keys; // a map's keys come sorted
}

} // namespace

void ProjectSystem::setSolutionElement(std::unique_ptr<ProjectElement> root)
{
    // The indexes point into the old tree: forget them; the loader rebuilds them.
    solutionMap_.clear();
    projectNames_.clear();
    solutionNames_.clear();
    solution_ = std::move(root);
}

std::unique_ptr<ProjectElement> ProjectSystem::newElement(const std::string& tagName) const
{
    return std::make_unique<ProjectElement>(tagName, &context_.macroSystem);
}

ProjectElement* ProjectSystem::findFile(ProjectElement* parent, const std::string& fileName)
{
    return parent != nullptr ? parent->findChild(ProjectElement::kFile, fileName) : nullptr;
}

ProjectElement* ProjectSystem::findConfiguration(ProjectElement* parent, const std::string& name)
{
    return parent != nullptr ? parent->findChild(ProjectElement::kConfiguration, name) : nullptr;
}

ProjectElement* ProjectSystem::findFolder(ProjectElement* parent, const std::string& name)
{
    return parent != nullptr ? parent->findChild(ProjectElement::kFolder, name) : nullptr;
}

ProjectElement* ProjectSystem::createConfiguration(ProjectElement* parent, const std::string& name, bool flag)
{
    if (parent == nullptr)
        return nullptr; // nothing to own it
    auto* configuration = newElement("configuration").release();
    configuration->setAttribute("Name", name, flag);
    configuration->setCreationFlag(flag);
    parent->appendChild(configuration);
    return configuration;
}

ProjectElement* ProjectSystem::createFolder(ProjectElement* parent, const std::string& name, const std::string& filter,
                                            bool flag)
{
    if (parent == nullptr)
        return nullptr; // nothing to own it
    if (ProjectElement* existing = findFolder(parent, name))
        return existing;
    auto* folder = newElement("folder").release();
    folder->setAttribute("Name", name, flag);
    folder->setCreationFlag(flag);
    parent->appendChild(folder);
    if (!filter.empty()) {
        createConfiguration(folder, "Common", false);
        if (const PropertyClass* property = folderFilterProperty())
            setProperty(folder, property, "Common", filter, flag);
        else
            setProperty(folder, "filter", "Common", filter, flag);
    }
    return folder;
}

void ProjectSystem::clearModified(ProjectElement* element, bool includeSolutions, bool clearTimes) const
{
    if (element == nullptr)
        return;
    element->setModified(false);
    for (ProjectElement* child = element->firstChild(); child != nullptr; child = child->nextSibling()) {
        if (!includeSolutions && child->kind() == ProjectElement::kSolution)
            continue;
        child->setModified(false);
        if (clearTimes)
            child->clearChangeTimes();
        clearModified(child, includeSolutions, clearTimes);
    }
}

ProjectElement* ProjectSystem::projectContaining(ProjectElement* element) const
{
    while (element != nullptr && element->kind() != ProjectElement::kProject)
        element = element->parent();
    return element;
}

ProjectElement* ProjectSystem::solutionContaining(ProjectElement* element) const
{
    while (element != nullptr && element->kind() != ProjectElement::kSolution)
        element = element->parent();
    return element;
}

std::optional<std::string> ProjectSystem::projectDirectoryPath(ProjectElement* project) const
{
    if (project == nullptr)
        return std::nullopt;
    project->checkDoFileStuff();
    return project->baseDirectory();
}

void ProjectSystem::removeElement(ProjectElement* element, bool destroy)
{
    if (element == nullptr)
        return;
    bool reindex = element->kind() == ProjectElement::kProject || element->kind() == ProjectElement::kSolution;
    if (destroy && removalListener_)
        removalListener_(element);
    if (element == solution_.get()) {
        // The root has no parent list to leave: the system lets go of it.
        ProjectElement* root = solution_.release();
        if (destroy)
            delete root;
        reindex = true;
    } else {
        if (ProjectElement* parent = element->parent())
            parent->removeChild(element);
        if (destroy)
            delete element;
    }
    if (reindex)
        updateProjectList();
}

ProjectElement* ProjectSystem::addFile(ProjectElement* parent, const std::string& fileName, bool flag)
{
    auto* file = newElement("file").release();
    file->setCreationFlag(flag);
    // Named before it is linked, so that the parent's child index takes it in
    // rather than being dropped for every file added.
    file->setFileName(fileName, flag);
    if (parent == nullptr)
        return file; // detached: the caller owns it

    ProjectElement* target = parent;
    std::string extension = lowerExtension(fileName);
    if (parent->kind() != ProjectElement::kFolder && !extension.empty()) {
        for (ProjectElement* folder : parent->folderChildren()) {
            std::optional<std::string> filter = folder->attribute("filter");
            if (!filter && folderFilterProperty() != nullptr)
                filter = settingFor(folder, folderFilterProperty(), "Common");
            if (filter && filterLists(*filter, extension)) {
                target = folder;
                break;
            }
        }
    }
    target->appendChild(file);
    return file;
}

long ProjectSystem::populateDynamicFolder(ProjectElement* folder)
{
    if (folder == nullptr)
        return 0;
    std::string path = folder->attribute("path").value_or("");
    std::string filter = folder->attribute("filter").value_or("");

    std::string directory;
    if (!path.empty() && path[0] == '$') {
        directory = context_.macroSystem.replaceMacros(context_.macroSystem.globalMacros(true), path);
    } else {
        // A folder outside any project lists relative to its solution's
        // directory, and with neither, relative to the current directory.
        std::string base = folder->baseDirectoryAbove();
        directory = base.empty() ? path : base + "/" + path;
    }

    // A folder without patterns lists every file.
    bool anyName = splitNameFilter(filter).empty();
    auto entries = listDirectory(directory.empty() ? std::string(".") : directory, EntryFilter::FilesOnly,
                                 anyName ? nullptr : &filter);
    if (!entries)
        return 0;
    long added = 0;
    for (const DirEntry& entry : *entries) {
        std::string candidate = path + "/" + entry.name;
        if (findFile(folder, candidate) == nullptr) {
            addFile(folder, candidate, false);
            ++added;
        }
    }
    return added;
}

void ProjectSystem::updateProjectList()
{
    solutionMap_.clear();
    ProjectElement* root = solution_.get();
    if (root != nullptr) {
        root->projects().clear();
        indexNestedProjects(root->projects(), "", root);
        std::vector<std::string> chain;
        indexSolutions(solutionMap_, chain, root);
        solutionMap_[root->getName()] = root;
        root->updateInheritenceMap();
    }
    projectNames_ = root != nullptr ? keysOf(root->projects()) : std::vector<std::string>{};
    solutionNames_ = keysOf(solutionMap_);
}

ProjectElement* ProjectSystem::findSolution(const std::string& key) const
{
    auto it = solutionMap_.find(key);
    return it == solutionMap_.end() ? nullptr : it->second;
}
