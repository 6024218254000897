#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "macros/MacroSystem.h"
#include "project/ProjectContext.h"
#include "project/PropertyTable.h"

class ProjectElement;
class PropertyClass;

// The registry of build properties, the build macros of nodes of the solution
// tree, and property values read with those macros expanded. The toolchain's
// build systems derive from it, add their properties and refine the macros.
class BuildSystem {
public:
    // Defines and registers the build properties every toolchain has. Tables
    // are built with the context's macro system and project system.
    explicit BuildSystem(ProjectContext& context);
    virtual ~BuildSystem() = default;
    BuildSystem(const BuildSystem&) = delete;
    BuildSystem& operator=(const BuildSystem&) = delete;

    // Enters `propertyClass` (owned by the caller) under its save name,
    // replacing any class entered under that name before.
    void addPropertyClass(PropertyClass* propertyClass);
    // The class entered under `saveName`, or null.
    PropertyClass* findPropertyClass(const std::string& saveName) const;
    // Every class the build system levels defined, in order, registered or not.
    const PropertySet& definitions() const { return definitions_; }
    // The first class defined with that save name (and group, when given), or null;
    // unlike the registry it never answers with a class read from a file.
    PropertyClass* definition(const std::string& saveName, const char* group = nullptr) const
    {
        return definitions_.find(saveName, group);
    }

    // The macro table of `node` in `configuration`, weakest first: system and
    // global macros, the project's macros, then the names of the node, its
    // project, solution and input file, the file extensions and the output
    // directories; addMacros last.
    virtual MacroTable macros(ProjectElement* node, const std::string& configuration);
    // Lets a build system add entries after all the others; the base adds none.
    virtual void addMacros(ProjectElement*, const std::string&, MacroTable&) {}

    // The effective value of `property` for `node`, expanded with macros(node,
    // configuration); the combined value is expanded, never the single values.
    std::string settingForExpanded(ProjectElement* node, const PropertyClass* property,
                                   const std::string& configuration);

    // The options a tool of the build engine gets for `element`; the base adds none.
    virtual bool appendBuildOptions(ProjectElement*, const std::string&, int, std::vector<std::string>&, void*)
    {
        return true;
    }
    virtual void appendPreprocessorOptions(ProjectElement*, const std::string&, std::vector<std::string>&) {}

protected:
    ProjectContext& context_;
    // Defines a level's properties after the earlier levels' and registers those
    // not marked "not registered".
    void defineProperties(std::initializer_list<PropertySheet> sheets);
    PropertySet definitions_;

private:
    std::map<std::string, PropertyClass*> registry_;
    // The directories every build table names, looked up once.
    const PropertyClass* intermediateDirectory_ = nullptr;
    const PropertyClass* rootOutputDirectory_ = nullptr;
    const PropertyClass* outputDirectory_ = nullptr;
};
