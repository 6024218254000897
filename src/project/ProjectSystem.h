#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "foundation/ProgressObserver.h"
#include "project/ProjectElement.h"
#include "project/PropertyTable.h"

class Archive2;
class ProjectFileNotFoundErrorHandler;
class PropertyClass;
class PropertyClassList;
class PropertyInheritanceInformation;
class TemplateNotFoundErrorHandler;
class XMLElement;

// The project model's operations over a solution tree: finding, creating and
// removing elements, adding files, filling dynamic folders, indexing projects,
// and reading and writing property values. It owns the loaded solution and the
// project-system properties it needs itself (the toolchain's project systems
// derive from it and add theirs).
class ProjectSystem {
public:
    // Defines the project-system properties; "file_type" offers "Default" and
    // `fileTypes`, "project_type" offers `projectTypes`.
    explicit ProjectSystem(const std::vector<std::string>& fileTypes = {},
                           const std::vector<std::string>& projectTypes = {});
    virtual ~ProjectSystem();
    ProjectSystem(const ProjectSystem&) = delete;
    ProjectSystem& operator=(const ProjectSystem&) = delete;

    // The loaded solution's root, or null; setting it destroys the previous one.
    ProjectElement* solutionElement() const { return solution_.get(); }
    void setSolutionElement(std::unique_ptr<ProjectElement> root);

    // --- Solution files ---
    // Reads the solution file `path` (absolute) with its imports, completes the
    // projects that name a template, indexes the projects and fills the dynamic
    // folders; either handler may be null. Raises SolutionLoadError, and then no
    // solution is loaded.
    void loadSolution(const std::string& path, ProjectFileNotFoundErrorHandler* fileHandler,
                      TemplateNotFoundErrorHandler* templateHandler);
    // The tree of one solution or project file, `fileName` taken relative to
    // `baseDirectory` unless it is absolute or `baseDirectory` is empty. The caller owns it.
    ProjectElement* loadProjectFile(const std::string& baseDirectory, const std::string& fileName,
                                    ProjectFileNotFoundErrorHandler* handler);
    // The element tree built from `element` of the file read from `directory`,
    // with every "import" replaced by the file it names. The caller owns it.
    ProjectElement* domToElement(const std::string& directory, XMLElement* element,
                                 ProjectFileNotFoundErrorHandler* handler);
    // Announced at the end of a successful load; nobody listens in the tool.
    void solutionLoaded() {}

    // --- Packaging ---
    // Writes the solution file, every file the tree names below the solution's
    // directory and the package description file (when not null) as the
    // compressed package `outputFile`, which is replaced only when all of it was
    // written. False, with the reason in `error`, when it could not be. `log`,
    // when set, hears of every file of the tree that is added or left out;
    // `progress`, when set, of the writing.
    bool packageSolution(ProjectElement* solution, const std::string& outputFile,
                         const std::optional<std::string>& packageDescription, std::string& error,
                         const std::function<void(const std::string&)>& log = nullptr,
                         ProgressObserver* progress = nullptr);

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

    // Solution trees nest at most this deep, imports included: deeper trees are
    // hostile, and the recursive walks and the solution index stay small below it.
    static constexpr int kMaxNesting = 256;
    // One load builds at most this many elements: a file imported many times by
    // files imported many times would otherwise multiply without end.
    static constexpr long kMaxElements = 1L << 19;

private:
    // The tree of `element`, read from `directory`; `subject` names the file in errors.
    std::unique_ptr<ProjectElement> buildTree(const std::string& subject, const std::string& directory,
                                              XMLElement* element, ProjectFileNotFoundErrorHandler* handler);
    // One element without its children, or the whole tree of an imported file.
    std::unique_ptr<ProjectElement> newElement(const std::string& directory, XMLElement* element,
                                               ProjectFileNotFoundErrorHandler* handler);
    // Notes the elements of the loaded tree that name a template, and the dynamic
    // folders, in document order.
    void recordTemplatesAndDynamicFolders();
    // Whether `element` was noted and not removed since.
    bool recorded(ProjectElement* element) const { return recorded_.contains(element); }
    void forgetRecordsWithin(ProjectElement* element);
    void completeFromTemplates(TemplateNotFoundErrorHandler* handler);
    void forgetSolution();

    std::unique_ptr<ProjectElement> solution_;
    std::vector<std::string> projectNames_;
    std::vector<std::string> solutionNames_;
    std::map<std::string, ProjectElement*> solutionMap_;
    std::vector<std::string> filesBeingLoaded_;
    std::vector<ProjectElement*> templateElements_;
    std::vector<ProjectElement*> dynamicFolders_;
    // The elements of both lists that are still in the tree: removeElement, which
    // every removal goes through, drops what it removes.
    std::unordered_set<const ProjectElement*> recorded_;
    // How deep the file being read sits in the tree being built.
    int nesting_ = 0;
    long elementsBuilt_ = 0;
    PropertySet properties_;
    const PropertyClass* filter_ = nullptr;
    const PropertyClass* platform_ = nullptr;
    const PropertyClass* macros_ = nullptr;
};

// The process's project system; null until solution mode creates it.
extern ProjectSystem* projectSystem;
