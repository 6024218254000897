// Reading solution and project files: the loader, imports, and the completion
// of the projects that name a template.
#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include "foundation/PathText.h"
#include "foundation/QTx.h"
#include "foundation/Release.h"
#include "macros/MacroSystem.h"
#include "project/ProjectSystem.h"
#include "solution/ProjectTemplates.h"
#include "solution/SolutionLoadError.h"
#include "solution/SolutionLoader.h"
#include "xml/XML.h"

namespace {

bool isImport(const XMLElement* element)
{
    return std::strcmp(element->tagName(), "import") == 0;
}

std::string nestingMessage()
{
    return " nests elements more than " + std::to_string(SolutionLoader::kMaxNesting) + " deep";
}

std::string sizeMessage()
{
    return " makes the solution larger than " + std::to_string(SolutionLoader::kMaxElements) + " elements";
}

} // namespace

void SolutionLoader::forgetLoad()
{
    filesBeingLoaded_.clear();
    templateElements_.clear();
    dynamicFolders_.clear();
    recorded_.clear();
    nesting_ = 0;
    elementsBuilt_ = 0;
}

void SolutionLoader::loadSolution(const std::string& path, ProjectFileNotFoundErrorHandler* fileHandler,
                                  TemplateNotFoundErrorHandler* templateHandler)
{
    forgetLoad();
    system_.setSolutionElement(nullptr);
    // Every removal goes through the project system, which tells the loader, so
    // that a removed element is never visited from the lists below.
    system_.setRemovalListener([this](ProjectElement* removed) { forgetRecordsWithin(removed); });
    struct StopListening {
        ProjectSystem& system;
        ~StopListening() { system.setRemovalListener(nullptr); }
    } stopListening{system_};
    try {
        system_.setSolutionElement(std::unique_ptr<ProjectElement>(loadProjectFile(std::string(), path, fileHandler)));
        // Noted only now that every file is read: converting an older file removes elements.
        recordTemplatesAndDynamicFolders(system_.solutionElement());
        completeFromTemplates(system_.solutionElement(), templateHandler);
    } catch (...) {
        // Elements built before the failure are gone with their tree; nothing points at them.
        system_.setSolutionElement(nullptr);
        forgetLoad();
        throw;
    }
    system_.updateProjectList();
    for (ProjectElement* folder : dynamicFolders_) {
        if (!recorded(folder))
            continue;
        elementsBuilt_ += system_.populateDynamicFolder(folder);
        // Many folders naming one large directory count like repeated imports.
        if (elementsBuilt_ > kMaxElements) {
            system_.setSolutionElement(nullptr);
            forgetLoad();
            throw SolutionLoadError(path, false, sizeMessage());
        }
    }
    forgetLoad();
    system_.clearModified(system_.solutionElement(), true, true);
    system_.solutionLoaded();
}

void SolutionLoader::recordTemplatesAndDynamicFolders(ProjectElement* root)
{
    for (ProjectElement* element = root; element != nullptr; element = nextInDocumentOrder(element, root)) {
        if (element->hasAttribute("template_name"))
            templateElements_.push_back(element);
        else if (element->hasAttribute("path"))
            dynamicFolders_.push_back(element);
    }
    recorded_.insert(templateElements_.begin(), templateElements_.end());
    recorded_.insert(dynamicFolders_.begin(), dynamicFolders_.end());
}

void SolutionLoader::forgetRecordsWithin(ProjectElement* top)
{
    if (recorded_.empty())
        return;
    for (ProjectElement* element = top; element != nullptr; element = nextInDocumentOrder(element, top))
        recorded_.erase(element);
}

void SolutionLoader::completeFromTemplates(ProjectElement* root, TemplateNotFoundErrorHandler* handler)
{
    if (templateElements_.empty())
        return;
    ProjectTemplates templates(system_.context());
    for (ProjectElement* element : templateElements_) {
        if (!recorded(element))
            continue; // removed by the completion of a project before it
        std::string name = element->attribute("Name").value_or("");
        std::string templateName = element->attribute("template_name").value_or("");
        element->removeAttribute("template_name");
        if (templateName.empty() && (handler == nullptr || !handler->retry(&templates, name, templateName)))
            throw SolutionLoadError("no template for project ", false, name);
        XMLElement* found = templates.findTemplate(templateName);
        if (found == nullptr)
            throw SolutionLoadError(templateName, false, " project template not found");
        templates.createProjectFromTemplate(system_.solutionContaining(element->parent()), element, found);
    }
    system_.clearModified(root, true, true);
}

ProjectElement* SolutionLoader::loadProjectFile(const std::string& baseDirectory, const std::string& fileName,
                                                ProjectFileNotFoundErrorHandler* handler)
{
    const std::string fullName =
        fileName.starts_with('/') || baseDirectory.empty() ? fileName : baseDirectory + "/" + fileName;
    struct stat status {};
    if (stat(fullName.c_str(), &status) != 0 && (handler == nullptr || !handler->retry(fullName)))
        throw SolutionLoadError(fullName, false, " does not exist");
    // A directory opens but holds no text: only a regular file counts as readable.
    struct stat readable {};
    if (!QTx::readableRegularFile(fullName, readable))
        throw SolutionLoadError(fullName, false, " cannot access");
    const std::string absolute = Path(absolutePath(fullName)).filePath();
    if (std::find(filesBeingLoaded_.begin(), filesBeingLoaded_.end(), absolute) != filesBeingLoaded_.end())
        throw SolutionLoadError(absolute, false, " solution already loaded");

    // On the heap: an import chain holds one document per level while it is read.
    auto document = std::make_unique<XMLDocument>(false);
    if (!document->load(absolute.c_str()))
        throw SolutionLoadError(fullName, true, document->errorMessage(), static_cast<int>(document->errorLine()));
    const char* docType = document->docType();
    // A declaration without any element is no solution file either.
    if (docType == nullptr || std::string(docType) != std::string(Get_STUDIO_NAME()) + "_Project_File" ||
        document->rootElement() == nullptr)
        throw SolutionLoadError(fullName, false, " not a solution file");

    filesBeingLoaded_.push_back(absolute);
    std::unique_ptr<ProjectElement> root =
        buildTree(fullName, directoryPart(absolute), document->rootElement(), handler);
    root->setPath(absolute);
    root->setLoadTime(readable.st_mtime);
    filesBeingLoaded_.pop_back();

    std::optional<std::string> version = root->attribute("version");
    if (version != "2") {
        system_.munge(root.get());
        root->setAttribute("version", "2", false);
        system_.clearModified(root.get(), true, true);
    }
    return root.release();
}

ProjectElement* SolutionLoader::domToElement(const std::string& directory, XMLElement* element,
                                             ProjectFileNotFoundErrorHandler* handler)
{
    return buildTree(directory, directory, element, handler).release();
}

std::unique_ptr<ProjectElement> SolutionLoader::newElement(const std::string& directory, XMLElement* x,
                                                           ProjectFileNotFoundErrorHandler* handler)
{
    if (isImport(x)) {
        const MacroSystem& macros = system_.context().macroSystem;
        const char* written = x->attribute("file_name");
        const std::string name = written != nullptr ? written : "";
        std::unique_ptr<ProjectElement> imported(
            loadProjectFile(directory, macros.replaceMacros(macros.globalMacros(true), name), handler));
        imported->setAttribute("file_name", name, false);
        imported->setImported(true);
        imported->setModified(false);
        return imported;
    }
    std::unique_ptr<ProjectElement> element = system_.newElement(x->tagName());
    element->setAttributesFrom(x);
    return element;
}

// Iterative, so that a deep document costs no stack; the nesting limit keeps
// the walks of the finished tree shallow too.
std::unique_ptr<ProjectElement> SolutionLoader::buildTree(const std::string& subject, const std::string& directory,
                                                          XMLElement* top, ProjectFileNotFoundErrorHandler* handler)
{
    std::unique_ptr<ProjectElement> root = newElement(directory, top, handler);
    struct Open {
        XMLNode* next; // the next child node to read
        ProjectElement* element;
    };
    std::vector<Open> open;
    if (!isImport(top))
        open.push_back({top->firstChild(), root.get()});
    while (!open.empty()) {
        XMLNode* node = open.back().next;
        ProjectElement* parent = open.back().element;
        if (node == nullptr) {
            parent->setModified(false);
            open.pop_back();
            continue;
        }
        open.back().next = node->nextSibling();
        XMLElement* x = node->toElement();
        if (x == nullptr)
            continue; // a CDATA section among the children is skipped
        const int depth = nesting_ + static_cast<int>(open.size());
        if (depth >= kMaxNesting)
            throw SolutionLoadError(subject, false, nestingMessage());
        if (++elementsBuilt_ > kMaxElements)
            throw SolutionLoadError(subject, false, sizeMessage());
        const int outer = nesting_;
        nesting_ = depth;
        std::unique_ptr<ProjectElement> child = newElement(directory, x, handler);
        nesting_ = outer;
        ProjectElement* added = child.release();
        parent->appendChild(added);
        if (!isImport(x))
            open.push_back({x->firstChild(), added});
    }
    return root;
}
