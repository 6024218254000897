#include "project/ProjectSystem.h"

#include "project/PropertyClass.h"

ProjectSystem* projectSystem = nullptr;

ProjectSystem::ProjectSystem()
{
    filter_ = std::make_unique<PropertyClass>("filter", PropertyClass::StringList, "General", "Folder Options",
                                              "Filter", "The file extensions that belong in the folder.", "");
    filter_->setPerConfiguration(false);
    platform_ = std::make_unique<PropertyClass>("Platform", PropertyClass::String, "(Information)", "(Information)",
                                                "Platform", "The platform the project is built for.", "MSP430");
    platform_->setReadOnly(true);
    macros_ =
        std::make_unique<PropertyClass>("macros", PropertyClass::StringList, "Build", "Build Options", "Project Macros",
                                        "Macros available to the project's build settings.", "");
}

ProjectSystem::~ProjectSystem() = default;
