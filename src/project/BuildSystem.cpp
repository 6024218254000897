#include "project/BuildSystem.h"

#include "foundation/Path.h"
#include "foundation/PathText.h"
#include "foundation/Text.h"
#include "project/ProjectElement.h"
#include "project/ProjectSystem.h"
#include "project/PropertyClass.h"

BuildSystem* buildSystem = nullptr;

namespace {

// The toolchain's file extensions; its project system states the same ones.
constexpr const char* kObjectFileExtension = ".hzo";
constexpr const char* kExecutableFileExtension = ".hzx";
constexpr const char* kLibraryFileExtension = ".hza";
constexpr const char* kPackageExtension = "hzq";

} // namespace

void BuildSystem::addPropertyClass(PropertyClass* propertyClass)
{
    if (propertyClass)
        registry_[propertyClass->saveName()] = propertyClass;
}

PropertyClass* BuildSystem::findPropertyClass(const std::string& saveName) const
{
    const auto found = registry_.find(saveName);
    return found == registry_.end() ? nullptr : found->second;
}

MacroTable BuildSystem::macros(ProjectElement* node, const std::string& configuration)
{
    MacroTable t = macroSystem.globalMacros(true);
    ProjectSystem* system = projectSystem;

    if (system && node) {
        const std::string projectMacros = system->settingFor(node, system->projectMacrosProperty(), configuration);
        t = macroSystem.overwriteMacros(
            t, macroSystem.macrosFromStringList(MacroSystem::stringListFromString(projectMacros, false)));
    }
    if (node)
        t["ProjectNodeName"] = node->getName();
    if (ProjectElement* project = system ? system->projectContaining(node) : nullptr) {
        t["ProjectDir"] = system->projectDirectoryPath(project).value_or("");
        t["ProjectName"] = project->getName();
    }
    t["Configuration"] = configuration;
    if (system)
        t["Platform"] = lowerCase(system->platform(node));

    if (ProjectElement* solution = system ? system->solutionContaining(node) : nullptr) {
        solution->checkDoFileStuff();
        const Path& file = solution->path();
        t["SolutionDir"] = file.dirPath(true);
        t["SolutionName"] = file.baseName();
        t["SolutionFileName"] = file.fileName();
        t["SolutionPath"] = absolutePath(file.filePath());
        t["SolutionExt"] = file.extension(true);
    }
    if (node && node->kind() == ProjectElement::kFile) {
        node->checkDoFileStuff();
        const Path& file = node->path();
        t["InputDir"] = file.dirPath(false);
        t["InputName"] = file.baseName();
        t["InputFileName"] = file.fileName();
        t["InputExt"] = file.extension(true);
        t["InputPath"] = absolutePath(file.filePath());
        t["RelInputPath"] = node->writtenFilePath();
    }

    t["OBJ"] = kObjectFileExtension;
    t["EXE"] = kExecutableFileExtension;
    t["LIB"] = kLibraryFileExtension;
    t["PackageExt"] = kPackageExtension;

    // The toolchain registers the directory properties; until it has, they are empty.
    auto expanded = [&](const char* saveName) {
        const PropertyClass* property = findPropertyClass(saveName);
        if (!system || !property)
            return std::string();
        return macroSystem.replaceMacros(t, system->settingFor(node, property, configuration));
    };
    const std::string intDir = expanded("build_intermediate_directory");
    t["IntDir"] = intDir.empty() ? "." : intDir;
    const std::string rootOutDir = expanded("build_root_output_directory");
    t["RootOutDir"] = rootOutDir;
    const std::string outDir = expanded("build_output_directory");
    t["OutDir"] = outDir.empty() ? "." : outDir;
    // Tested on the expanded text itself: an output directory that came out
    // empty (standing for ".") has no root-relative form.
    std::string rootRelative;
    if (!rootOutDir.empty() && !outDir.empty() && Path::relativeDirPath(outDir, rootOutDir, rootRelative))
        t["RootRelativeOutDir"] = rootRelative;

    addMacros(node, configuration, t);
    return t;
}

std::string BuildSystem::settingForExpanded(ProjectElement* node, const PropertyClass* property,
                                            const std::string& configuration)
{
    if (!property)
        return std::string();
    const std::string raw =
        projectSystem ? projectSystem->settingFor(node, property, configuration) : property->defaultValue();
    return macroSystem.replaceMacros(macros(node, configuration), raw);
}
