#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "project/ProjectContext.h"
#include "project/ProjectElement.h"
#include "project/PropertyTable.h"

class PropertyClass;
class PropertyClassList;
class PropertyInheritanceInformation;
class XMLElement;

// The project model's operations over a solution tree: finding, creating and
// removing elements, adding files, filling dynamic folders, indexing projects,
// and reading and writing property values. It owns the loaded solution (which
// the solution loader gives it) and the project-system properties it needs
// itself (the toolchain's project systems derive from it and add theirs).
class ProjectSystem {
public:
    // Defines the project-system properties; "file_type" offers "Default" and
    // `fileTypes`, "project_type" offers `projectTypes`. Names expand with the
    // context's macro system; the build system is found in the context.
    explicit ProjectSystem(ProjectContext& context, const std::vector<std::string>& fileTypes = {},
                           const std::vector<std::string>& projectTypes = {});
    virtual ~ProjectSystem();
    ProjectSystem(const ProjectSystem&) = delete;
    ProjectSystem& operator=(const ProjectSystem&) = delete;

    ProjectContext& context() const { return context_; }

    // The loaded solution's root, or null; setting it destroys the previous one
    // and forgets the project index until updateProjectList runs.
    ProjectElement* solutionElement() const { return solution_.get(); }
    void setSolutionElement(std::unique_ptr<ProjectElement> root);
    // Elements made here expand their names with the context's macro system.
    std::unique_ptr<ProjectElement> newElement(const std::string& tagName) const;
    // Called with every element removeElement is about to destroy; at most one
    // listener, none with an empty function.
    void setRemovalListener(std::function<void(ProjectElement*)> listener) { removalListener_ = std::move(listener); }

    // Announced by the solution loader at the end of a successful load; nobody listens in the tool.
    void solutionLoaded() {}

    // --- The tree ---
    // The first direct file child whose "file_name" is exactly `fileName`, or null.
    ProjectElement* findFile(ProjectElement* parent, const std::string& fileName);
    // The first direct configuration (folder) child whose getName() is `name`, or null.
    ProjectElement* findConfiguration(ProjectElement* parent, const std::string& name);
    ProjectElement* findFolder(ProjectElement* parent, const std::string& name);
    // A new configuration named `name` (set with `flag`), appended to `parent`.
    ProjectElement* createConfiguration(ProjectElement* parent, const std::string& name, bool flag);
    // The folder child named `name` if there is one (nothing else done); else a new
    // one, whose "Common" configuration holds `filter` as the folder filter
    // property when `filter` is not empty.
    ProjectElement* createFolder(ProjectElement* parent, const std::string& name, const std::string& filter, bool flag);
    // Clears the modified flags below and at `element`; with `includeSolutions`
    // false, solution children are skipped; with `clearTimes`, change times too.
    void clearModified(ProjectElement* element, bool includeSolutions, bool clearTimes) const;
    // The nearest project (solution) at or above `element`, or null.
    ProjectElement* projectContaining(ProjectElement* element) const;
    ProjectElement* solutionContaining(ProjectElement* element) const;
    // The project's base directory, resolved first; null for a null element.
    std::optional<std::string> projectDirectoryPath(ProjectElement* project) const;
    // Unlinks `element` (destroying it when `destroy`); reindexes after a project or solution.
    void removeElement(ProjectElement* element, bool destroy);
    // A new file element for `fileName`, in the first folder child of `parent`
    // whose filter lists the file's extension, else in `parent`.
    ProjectElement* addFile(ProjectElement* parent, const std::string& fileName, bool flag);
    // Adds a file element for every matching file of the folder's directory that
    // it does not hold yet; returns how many it added.
    long populateDynamicFolder(ProjectElement* folder);
    // Rebuilds the project maps of the solutions and the solution map.
    void updateProjectList();
    const std::vector<std::string>& projectNames() const { return projectNames_; }
    const std::vector<std::string>& solutionNames() const { return solutionNames_; }
    ProjectElement* findSolution(const std::string& key) const;

    // --- Property values ---
    // The effective value of `property` for `element` in `configuration`: the
    // walk up the tree through the configuration, its inherited configurations
    // and "Common"; string lists accumulate; the default when nothing is set.
    std::string settingFor(ProjectElement* element, const PropertyClass* property, const std::string& configuration,
                           PropertyInheritanceInformation* info = nullptr) const;
    // The value set at `element` alone, or null.
    std::optional<std::string> specificSettingFor(ProjectElement* element, const PropertyClass* property,
                                                  const std::string& configuration) const;
    // Which of the element's own configurations supplies the value, or null.
    std::optional<std::string> configurationUsedFor(ProjectElement* element, const PropertyClass* property,
                                                    const std::string& configuration) const;
    std::vector<std::string> getInheritedConfigurations(ProjectElement* element,
                                                        const std::string& configuration) const;
    void setInheritedConfigurations(ProjectElement* element, const std::string& configuration,
                                    const std::vector<std::string>& list);
    void setProperty(ProjectElement* element, const std::string& name, const std::string& configuration,
                     const std::string& value, bool flag);
    void setProperty(ProjectElement* element, const PropertyClass* property, const std::string& configuration,
                     const std::string& value, bool flag);
    void removeProperty(ProjectElement* element, const std::string& name, const std::string& configuration);
    void removeProperty(ProjectElement* element, const PropertyClass* property, const std::string& configuration);
    std::optional<std::string> getFileCodec(ProjectElement* element) const;
    std::optional<std::string> getProjectType(ProjectElement* element) const;
    std::optional<std::string> getProjectDirectory(ProjectElement* element) const;
    std::string platform(ProjectElement* element) const;

    // Raised whenever property values of `element` changed; nobody listens in the tool.
    void propertiesChanged(ProjectElement*) {}

    // --- The toolchain ---
    // Brings a tree read from a file of an older version up to date; the base
    // leaves it as it is.
    virtual void munge(ProjectElement*) {}
    // The file name extensions of the toolchain's outputs, with their "."; the
    // base has none.
    virtual std::string objectFileExtension() const { return std::string(); }
    virtual std::string libraryFileExtension() const { return std::string(); }
    virtual std::string executableFileExtension() const { return std::string(); }
    virtual std::string assemblyCodeFileExtension() const { return std::string(); }
    // Append, without repeats, the properties that each tool of the toolchain
    // reads; the base knows no tools.
    virtual void appendCCompilerProperties(PropertyClassList&) const {}
    virtual void appendCppCompilerProperties(PropertyClassList&) const {}
    virtual void appendAssemblerProperties(PropertyClassList&) const {}
    virtual void appendLinkerProperties(PropertyClassList&) const {}
    virtual void appendArchiverProperties(PropertyClassList&) const {}

    // The project-system properties, in the order they were defined.
    const PropertySet& properties() const { return properties_; }
    // The project-system property with that save name, or null.
    const PropertyClass* property(const std::string& saveName) const { return properties_.find(saveName); }
    // The ones the model itself reads on every lookup.
    const PropertyClass* folderFilterProperty() const { return filter_; }
    const PropertyClass* platformProperty() const { return platform_; }
    const PropertyClass* projectMacrosProperty() const { return macros_; }

private:
    ProjectContext& context_;
    std::unique_ptr<ProjectElement> solution_;
    std::vector<std::string> projectNames_;
    std::vector<std::string> solutionNames_;
    std::map<std::string, ProjectElement*> solutionMap_;
    std::function<void(ProjectElement*)> removalListener_;
    PropertySet properties_;
    const PropertyClass* filter_ = nullptr;
    const PropertyClass* platform_ = nullptr;
    const PropertyClass* macros_ = nullptr;
};
