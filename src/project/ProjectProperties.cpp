// Reading and writing property values in the solution tree.
#include <cstddef>

#include "project/ProjectSystem.h"
#include "project/PropertyClass.h"
#include "project/PropertyInheritance.h"

namespace {

const std::string kCommon = "Common";

ProjectElement* nearestSolution(ProjectElement* element)
{
    while (element && element->kind() != ProjectElement::kSolution)
        element = element->parent();
    return element;
}

// The configurations that `configuration` inherits, as seen from `element`: the
// nearest solution's entry, or, while that is empty, its ancestors' entries.
std::vector<std::string> inheritedAt(ProjectElement* element, const std::string& configuration)
{
    ProjectElement* holder = nearestSolution(element);
    if (!holder)
        return {};
    const std::vector<std::string>* list = &holder->inheritedConfigurations(configuration);
    while (list->empty() && holder->parent()) {
        holder = holder->parent();
        list = &holder->inheritedConfigurations(configuration);
    }
    return *list;
}

bool holds(ProjectElement* element, const std::string& configuration, const std::string& name)
{
    std::optional<std::string> scratch;
    return element->getProperty(configuration, name, scratch, nullptr);
}

} // namespace

std::string ProjectSystem::settingFor(ProjectElement* element, const PropertyClass* property,
                                      const std::string& configuration, PropertyInheritanceInformation* info) const
{
    if (!property)
        return std::string();
    // Null until some element holds the property: an empty text that an element
    // set explicitly is a value, and only null falls back to the default.
    std::optional<std::string> result;
    const std::string& name = property->saveName();
    const bool accumulates = property->type() == PropertyClass::StringList;
    const bool common = configuration == kCommon;
    for (ProjectElement* e = element; e; e = e->parent()) {
        if (e->numConfigurationElements() == 0)
            continue;
        if (e->getProperty(configuration, name, result, info) && !accumulates)
            return *result;
        if (common)
            continue;
        for (const std::string& inherited : inheritedAt(e, configuration))
            if (e->getProperty(inherited, name, result, info) && !accumulates)
                return *result;
        // The Common step of a lookup for another configuration leaves no record.
        if (e->getProperty(kCommon, name, result, nullptr) && !accumulates)
            return *result;
    }
    if (!result) {
        if (info)
            info->push_back({property->defaultValue(), std::string(), nullptr});
        return property->defaultValue();
    }
    return *result;
}

std::optional<std::string> ProjectSystem::specificSettingFor(ProjectElement* element, const PropertyClass* property,
                                                             const std::string& configuration) const
{
    std::optional<std::string> value;
    if (element && property)
        element->getProperty(configuration, property->saveName(), value, nullptr);
    return value;
}

std::optional<std::string> ProjectSystem::configurationUsedFor(ProjectElement* element, const PropertyClass* property,
                                                               const std::string& configuration) const
{
    if (!element || !property || element->numConfigurationElements() == 0)
        return std::nullopt;
    const std::string& name = property->saveName();
    if (holds(element, configuration, name))
        return configuration;
    if (configuration == kCommon)
        return std::nullopt;
    for (const std::string& inherited : inheritedAt(element, configuration))
        if (holds(element, inherited, name))
            return inherited;
    if (holds(element, kCommon, name))
        return kCommon;
    return std::nullopt;
}

std::vector<std::string> ProjectSystem::getInheritedConfigurations(ProjectElement* element,
                                                                   const std::string& configuration) const
{
    ProjectElement* solution = nearestSolution(element);
    return solution ? solution->inheritedConfigurations(configuration) : std::vector<std::string>();
}

void ProjectSystem::setInheritedConfigurations(ProjectElement* element, const std::string& configuration,
                                               const std::vector<std::string>& list)
{
    if (list == getInheritedConfigurations(element, configuration))
        return;
    // Inheritance is recorded on solutions only; an element outside any
    // solution has nowhere to keep it.
    ProjectElement* solution = nearestSolution(element);
    if (!solution)
        return;
    std::string joined;
    for (std::size_t i = 0; i < list.size(); ++i)
        joined += (i == 0 ? "" : ";") + list[i];
    const auto found = solution->configurations().find(configuration);
    ProjectElement* child =
        found != solution->configurations().end() ? found->second : createConfiguration(solution, configuration, false);
    child->setAttribute("inherited_configurations", joined, false);
    solution->updateInheritenceMap();
}

void ProjectSystem::setProperty(ProjectElement* element, const std::string& name, const std::string& configuration,
                                const std::string& value, bool flag)
{
    if (!element)
        return;
    const auto found = element->configurations().find(configuration);
    ProjectElement* child =
        found != element->configurations().end() ? found->second : createConfiguration(element, configuration, flag);
    child->setAttribute(name, value, flag);
    propertiesChanged(element);
}

void ProjectSystem::setProperty(ProjectElement* element, const PropertyClass* property,
                                const std::string& configuration, const std::string& value, bool flag)
{
    if (property)
        setProperty(element, property->saveName(), configuration, value, flag);
}

void ProjectSystem::removeProperty(ProjectElement* element, const std::string& name, const std::string& configuration)
{
    if (!element)
        return;
    const auto found = element->configurations().find(configuration);
    if (found != element->configurations().end()) {
        ProjectElement* child = found->second;
        child->removeAttribute(name);
        // A configuration holding nothing but its name goes with its last value.
        if (child->attributes().size() == 1)
            removeElement(child, true);
    }
    propertiesChanged(element);
}

void ProjectSystem::removeProperty(ProjectElement* element, const PropertyClass* property,
                                   const std::string& configuration)
{
    if (property)
        removeProperty(element, property->saveName(), configuration);
}

namespace {

std::optional<std::string> commonValue(ProjectElement* element, const char* name)
{
    std::optional<std::string> value;
    if (element)
        element->getProperty(kCommon, name, value, nullptr);
    return value;
}

} // namespace

std::optional<std::string> ProjectSystem::getFileCodec(ProjectElement* element) const
{
    return commonValue(element, "file_codec");
}

std::optional<std::string> ProjectSystem::getProjectType(ProjectElement* element) const
{
    return commonValue(element, "project_type");
}

std::optional<std::string> ProjectSystem::getProjectDirectory(ProjectElement* element) const
{
    return commonValue(element, "project_directory");
}

std::string ProjectSystem::platform(ProjectElement* element) const
{
    // The platform property's default is the toolchain's platform name.
    if (!element)
        return platform_->defaultValue();
    return settingFor(element, platform_, kCommon);
}
