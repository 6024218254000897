#pragma once

#include <string>

#include "macros/MacroSystem.h"

class ProjectElement;
class PropertyClass;

// Build macros and macro-expanded property values for nodes of the solution tree.
class BuildSystem {
public:
    virtual ~BuildSystem() = default;

    // The macro table of `node` in `configuration`, weakest first: system and
    // global macros, the project's macros, then the names of the node, its
    // project, solution and input file, and the output directories; addMacros last.
    virtual MacroTable macros(ProjectElement* node, const std::string& configuration);
    // Lets a build system add entries after all the others; the base adds none.
    virtual void addMacros(ProjectElement*, const std::string&, MacroTable&) {}

    // The effective value of `property` for `node`, expanded with macros(node, configuration).
    std::string settingForExpanded(ProjectElement* node, const PropertyClass* property,
                                   const std::string& configuration);
};
