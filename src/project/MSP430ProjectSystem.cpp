#include "project/MSP430ProjectSystem.h"

#include "project/BuildSystem.h"
#include "project/PropertyValueGroup.h"

namespace {
constexpr const char* kSharedSectionPlacement = "$(StudioDir)/targets/section_placement.xml";
} // namespace

void MSP430ProjectSystem::munge(ProjectElement* element)
{
    for (ProjectElement* child = element->firstChild(); child; child = child->nextSibling()) {
        if (child->kind() == ProjectElement::kSolution)
            munge(child);
        else if (child->kind() == ProjectElement::kProject)
            mungeProject(child);
    }
}

void MSP430ProjectSystem::mungeProject(ProjectElement* project)
{
    ProjectElement* startup = findFolder(project, "System Files");
    if (!startup)
        startup = findFolder(project, "Startup Code");
    if (startup)
        if (ProjectElement* shared = findFile(startup, kSharedSectionPlacement))
            removeElement(shared, true);

    BuildSystem* buildSystem = context().buildSystem.get();
    PropertyValueGroups* propertyValueGroups = context().propertyValueGroups;
    if (!buildSystem || !propertyValueGroups)
        return;
    const std::string groupFile =
        buildSystem->settingForExpanded(project, buildSystem->definition("property_groups_file_path"), "Common");
    if (!groupFile.empty())
        propertyValueGroups->setGroupFile(groupFile);
    if (PropertyValueGroupClass* target = propertyValueGroups->getGroupClass("Target")) {
        PropertyValueGroupValue value(target, project, "Common", this);
        value.setPropertyValue(value.toString(), false);
    }
}

void MSP430ProjectSystem::appendLinkerProperties(PropertyClassList& list) const
{
    VNOFProjectSystem::appendLinkerProperties(list);
    appendDefined(list, {"msp430_debug_interface"});
}
