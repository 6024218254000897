#include "solution/ProjectTemplates.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <set>

#include "foundation/Text.h"
#include "macros/MacroSystem.h"
#include "project/BuildSystem.h"
#include "project/ProjectContext.h"
#include "project/ProjectElement.h"
#include "project/ProjectSystem.h"
#include "project/PropertyClass.h"
#include "project/PropertyValueGroup.h"

namespace {

const std::string kCommon = "Common";

bool hasTag(const XMLElement* element, const char* tag)
{
    return std::strcmp(element->tagName(), tag) == 0;
}

std::string text(const XMLElement* element, const char* name)
{
    const char* value = element->attribute(name);
    return value != nullptr ? value : "";
}

bool expandIs(const XMLElement* element, const char* word)
{
    const char* value = element->attribute("expand");
    return value != nullptr && lowerCase(value) == word;
}

std::string configurationOf(const XMLElement* element)
{
    std::string configuration = text(element, "configuration");
    return configuration.empty() ? kCommon : configuration;
}

bool holdsProperty(const ProjectElement* element, const std::string& configuration, const std::string& name)
{
    std::optional<std::string> scratch;
    return element->getProperty(configuration, name, scratch, nullptr);
}

} // namespace

std::string projectTemplatesFile(const MacroSystem& macros)
{
    return macros.replaceMacros(macros.systemMacros(), "$(TargetsDir)/project_templates.xml");
}

ProjectTemplates::ProjectTemplates(ProjectContext& context) : XMLPP2(context.macroSystem, false), context_(context)
{
    load(projectTemplatesFile(context.macroSystem).c_str());
    if (XMLElement* root = rootElement())
        createMaps(root);
}

ProjectTemplates::~ProjectTemplates() = default;

// The table is built even for a text without references: building it settles
// the project's directory, which files placed later keep.
std::string ProjectTemplates::expandMacros(ProjectElement* element, const std::string& value) const
{
    const MacroSystem& macros = context_.macroSystem;
    const MacroTable table =
        context_.buildSystem != nullptr ? context_.buildSystem->macros(element, kCommon) : macros.globalMacros(true);
    return macros.replaceMacros(table, value);
}

void ProjectTemplates::createMaps(XMLElement* root)
{
    // Document order through the parent links: no stack, however deep the file nests.
    XMLNode* node = root;
    while (node != nullptr) {
        if (XMLElement* element = node->toElement()) {
            if (hasTag(element, "project") && element->hasAttribute("template_name")) {
                templates_[element->attribute("template_name")] = element;
            } else if (hasTag(element, "configurations")) {
                for (XMLNode* child = element->firstChild(); child != nullptr; child = child->nextSibling())
                    if (XMLElement* configuration = child->toElement())
                        configurations_[text(configuration, "name")] = configuration;
            }
        }
        if (node->firstChild() != nullptr) {
            node = node->firstChild();
            continue;
        }
        while (node != root && node->nextSibling() == nullptr)
            node = node->parentNode();
        node = node == root ? nullptr : node->nextSibling();
    }
}

XMLElement* ProjectTemplates::findTemplate(const std::string& name)
{
    auto found = templates_.find(name);
    return found != templates_.end() ? found->second : nullptr;
}

XMLElement* ProjectTemplates::findConfiguration(const std::string& name)
{
    auto found = configurations_.find(name);
    return found != configurations_.end() ? found->second : nullptr;
}

std::vector<std::string> ProjectTemplates::listTemplates()
{
    std::vector<std::string> names;
    names.reserve(templates_.size());
    for (const auto& entry : templates_)
        names.push_back(entry.first);
    return names;
}

void ProjectTemplates::createProjectFromTemplate(ProjectElement* solution, ProjectElement* project,
                                                 XMLElement* templateElement)
{
    solution_ = solution;
    project_ = project;
    if (context_.projectSystem == nullptr || project == nullptr || templateElement == nullptr)
        return;
    context_.projectSystem->setProperty(project, context_.projectSystem->property("project_type"), kCommon,
                                        text(templateElement, "type"), false);
    if (XMLNode* first = templateElement->firstChild())
        if (XMLElement* element = first->toElement())
            createFromTemplate(project, element);
}

void ProjectTemplates::createFromTemplate(ProjectElement* current, XMLElement* first)
{
    if (context_.projectSystem == nullptr || current == nullptr)
        return;
    // One sibling chain per level, on an explicit stack: the templates file may
    // nest deeper than the call stack would allow.
    struct Level {
        ProjectElement* current;
        XMLNode* next;
    };
    std::vector<Level> levels{{current, first}};
    while (!levels.empty()) {
        Level& level = levels.back();
        XMLElement* element = level.next != nullptr ? level.next->toElement() : nullptr;
        if (element == nullptr) {
            levels.pop_back();
            continue;
        }
        level.next = element->nextSibling();
        ProjectElement* inner = apply(level.current, element);
        if (inner != nullptr && element->firstChild() != nullptr && levels.size() < kMaxContentDepth)
            levels.push_back({inner, element->firstChild()});
    }
}

ProjectElement* ProjectTemplates::apply(ProjectElement* current, XMLElement* element)
{
    if (hasTag(element, "folder"))
        return applyFolder(current, element);
    if (hasTag(element, "file"))
        return applyFile(current, element);
    if (hasTag(element, "property"))
        applyProperty(current, element);
    else if (hasTag(element, "propertygroup"))
        applyPropertyGroup(current, element);
    else if (hasTag(element, "configuration") && element->hasAttribute("name"))
        createConfiguration(solution_, project_, text(element, "name"));
    return nullptr;
}

ProjectElement* ProjectTemplates::applyFolder(ProjectElement* current, XMLElement* element)
{
    const char* name = element->attribute("name");
    if (name == nullptr)
        return nullptr;
    const std::string filter = text(element, "filter");
    ProjectElement* folder = context_.projectSystem->findFolder(current, name);
    if (folder == nullptr)
        return context_.projectSystem->createFolder(current, name, filter, true);
    const PropertyClass* filterProperty = context_.projectSystem->folderFilterProperty();
    const std::string filterName = filterProperty != nullptr ? filterProperty->saveName() : "filter";
    if (!holdsProperty(folder, kCommon, filterName))
        context_.projectSystem->setProperty(folder, filterName, kCommon, filter, true);
    return folder;
}

ProjectElement* ProjectTemplates::applyFile(ProjectElement* current, XMLElement* element)
{
    const char* name = element->attribute("name");
    if (name == nullptr || element->hasAttribute("source"))
        return nullptr;
    const std::string fileName = expandIs(element, "no") ? std::string(name) : expandMacros(current, name);
    ProjectElement* file = context_.projectSystem->findFile(current, fileName);
    return file != nullptr ? file : context_.projectSystem->addFile(current, fileName, true);
}

void ProjectTemplates::applyProperty(ProjectElement* current, XMLElement* element)
{
    const char* name = element->attribute("name");
    const char* value = element->attribute("value");
    if (name == nullptr || value == nullptr)
        return;
    const std::string configuration = configurationOf(element);
    if (holdsProperty(current, configuration, name))
        return;
    context_.projectSystem->setProperty(current, name, configuration,
                                        expandIs(element, "yes") ? expandMacros(current, value) : std::string(value),
                                        true);
}

void ProjectTemplates::applyPropertyGroup(ProjectElement* current, XMLElement* element)
{
    const char* name = element->attribute("name");
    const char* value = element->attribute("value");
    if (name == nullptr || value == nullptr || context_.propertyValueGroups == nullptr)
        return;
    if (context_.buildSystem != nullptr) {
        if (const PropertyClass* path = context_.buildSystem->definition("property_groups_file_path")) {
            const std::string groupFile = context_.buildSystem->settingForExpanded(current, path, kCommon);
            if (!groupFile.empty())
                context_.propertyValueGroups->setGroupFile(groupFile);
        }
    }
    const std::string configuration = configurationOf(element);
    std::optional<std::string> existing;
    current->getProperty(configuration, name, existing, nullptr);
    if (PropertyValueGroupClass* groupClass = context_.propertyValueGroups->getGroupClass(name))
        PropertyValueGroupValue(groupClass, current, configuration, context_.projectSystem.get())
            .setPropertyValue(existing.value_or(value), true);
}

void ProjectTemplates::createConfiguration(ProjectElement* solution, ProjectElement* project, const std::string& name)
{
    if (context_.projectSystem == nullptr || solution == nullptr)
        return;
    // One configuration being completed: its template entries, and the
    // configurations it inherits that are still to be completed before the
    // entries after "inherited_configurations".
    struct Step {
        ProjectElement* target;
        std::string name;
        XMLNode* next;
        std::vector<std::string> inherited;
        std::size_t nextInherited = 0;
    };
    // A configuration is completed once per call: that ends inheritance cycles,
    // and meeting it again by another path would only write the same values again.
    std::set<std::string> visited;
    std::vector<Step> steps; // explicit, as inheritance chains can be as long as the file
    auto begin = [&](const std::string& configurationName) {
        auto found = configurations_.find(configurationName);
        if (found == configurations_.end() || !visited.insert(configurationName).second)
            return;
        ProjectElement* target = context_.projectSystem->findConfiguration(solution, configurationName);
        if (target == nullptr)
            target = context_.projectSystem->createConfiguration(solution, configurationName, true);
        steps.push_back({target, configurationName, found->second->firstChild(), {}});
    };

    begin(name);
    while (!steps.empty()) {
        Step& step = steps.back();
        if (step.nextInherited < step.inherited.size()) {
            const std::string inherited = step.inherited[step.nextInherited++];
            begin(inherited);
            continue;
        }
        XMLElement* entry = step.next != nullptr ? step.next->toElement() : nullptr;
        if (entry == nullptr) {
            steps.pop_back();
            continue;
        }
        step.next = entry->nextSibling();
        const std::string entryName = text(entry, "name");
        const std::string value = text(entry, "value");
        if (entryName.empty() || value.empty())
            continue;
        if (entryName == "inherited_configurations") {
            step.target->setAttribute(entryName, value, true);
            step.inherited = splitNonEmpty(value, ";");
            step.nextInherited = 0;
        } else if (const std::optional<std::string> held = step.target->attribute(entryName); !held) {
            step.target->setAttribute(entryName, value, true);
        } else if (*held != value) {
            context_.projectSystem->setProperty(project, entryName, step.name, value, true);
        }
    }
}

void ProjectTemplates::warning(const std::string& message)
{
    projectWarning(context_.warn, message);
}
