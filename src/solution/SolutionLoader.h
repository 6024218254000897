#pragma once

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class ProjectElement;
class ProjectFileNotFoundErrorHandler;
class ProjectSystem;
class TemplateNotFoundErrorHandler;
class XMLElement;

// Reads solution and project files into trees of `ProjectElement`s: imports are
// read in place, projects that name a template are completed from the templates
// file, and dynamic folders are filled. A loaded solution is handed to the project
// system, which owns it from then on.
class SolutionLoader {
public:
    // Solution trees nest at most this deep, imports included: deeper trees are
    // hostile, and the recursive walks and the solution index stay small below it.
    static constexpr int kMaxNesting = 256;
    // One load builds at most this many elements: a file imported many times by
    // files imported many times would otherwise multiply without end.
    static constexpr long kMaxElements = 1L << 19;

    explicit SolutionLoader(ProjectSystem& system) : system_(system) {}

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

private:
    // The tree of `element`, read from `directory`; `subject` names the file in errors.
    std::unique_ptr<ProjectElement> buildTree(const std::string& subject, const std::string& directory,
                                              XMLElement* element, ProjectFileNotFoundErrorHandler* handler);
    // One element without its children, or the whole tree of an imported file.
    std::unique_ptr<ProjectElement> newElement(const std::string& directory, XMLElement* element,
                                               ProjectFileNotFoundErrorHandler* handler);
    // Notes the elements of `root` that name a template, and the dynamic
    // folders, in document order.
    void recordTemplatesAndDynamicFolders(ProjectElement* root);
    // Whether `element` was noted and not removed since.
    bool recorded(ProjectElement* element) const { return recorded_.contains(element); }
    void forgetRecordsWithin(ProjectElement* element);
    void completeFromTemplates(ProjectElement* root, TemplateNotFoundErrorHandler* handler);
    void forgetLoad();

    ProjectSystem& system_;
    std::vector<std::string> filesBeingLoaded_;
    std::vector<ProjectElement*> templateElements_;
    std::vector<ProjectElement*> dynamicFolders_;
    // The elements of both lists that are still in the tree: the project system
    // tells the loader of every element it removes.
    std::unordered_set<const ProjectElement*> recorded_;
    // How deep the file being read sits in the tree being built.
    int nesting_ = 0;
    long elementsBuilt_ = 0;
};
