#include "project/BuildSystem.h"

#include "foundation/Path.h"
#include "foundation/PathText.h"
#include "foundation/Text.h"
#include "project/ProjectElement.h"
#include "project/ProjectSystem.h"
#include "project/PropertyClass.h"

namespace {

constexpr const char* kPackageExtension = "hzq";

using enum PropertyClass::Type;

} // namespace

BuildSystem::BuildSystem(ProjectContext& context) : context_(context)
{
    // The two "build_output_file_name" rows differ in group and default; the
    // registry keeps the second.
    // clang-format off
    defineProperties({
        {"Build", "Build Options", {
            {"build_treat_warnings_as_errors", Boolean,  "Treat Warnings as Errors",  "No"},
            {"build_suppress_warnings",        Boolean,  "Suppress Warnings",         "No"},
            {"build_intermediate_directory",   FileName, "Intermediate Directory",    "$(Configuration)"},
            {"build_output_directory",         FileName, "Output Directory",          "$(Configuration)"},
            {"build_root_output_directory",    FileName, "Root Output Directory"},
            {"build_quietly",                  Boolean,  "Build Quietly",             "Yes"},
            {"build_debug_information",        Boolean,  "Include Debug Information", "Yes"},
            {"build_exclude_from_build",       Boolean,  "Exclude From Build",        "No"},
            {"build_always_rebuild",           Boolean,  "Always Rebuild",            "No"},
        }},
        {"C/C++", "Compiler Options", {
            {"build_object_file_name", FileName, "Object File Name", "$(IntDir)/$(InputName)$(OBJ)"},
        }},
        {"Linker", "Linker Options", {
            {"build_output_file_name", FileName, "Executable File Name", "$(OutDir)/$(ProjectName)$(EXE)"},
        }},
        {"Linker", "Library Options", {
            {"build_output_file_name", FileName, "Library File Name", "$(OutDir)/$(ProjectName)$(LIB)"},
        }},
        {"(Information)", "(Information)", {
            {"build_action", String, "Build Action", "", "", "not registered"},
        }},
        {"Staging", "Staging Options", {
            {"stage_output_filepath",       String,  "Output File Path",                "$(OutDir)/$(RelInputPath)"},
            {"stage_package_filepath",      String,  "Package File Path"},
            {"stage_package_member_name",   String,  "Package Member Name",             "$(StageStudioDirRelativeOutputFilePath)"},
            {"stage_command",               String,  "Stage Command",                   "cp \"$(RelInputPath)\" \"$(StageOutputFilePath)\""},
            {"stage_command_wd",            String,  "Stage Command Working Directory", "$(ProjectDir)"},
            {"stage_set_readonly",          Boolean, "Set To Read-only",                "No"},
            {"stage_post_build_command",    String,  "Stage Post-Build Command"},
            {"stage_post_build_command_wd", String,  "Stage Post-Build Working Directory", "$(ProjectDir)"},
        }},
        {"Combining", "Combining Options", {
            {"combine_output_filepath", String,  "Output File Path",                  "$(OutDir)/$(InputFileName)"},
            {"combine_command",         String,  "Combine Command"},
            {"combine_command_wd",      String,  "Combine Command Working Directory", "$(ProjectDir)"},
            {"combine_set_readonly",    Boolean, "Set To Read-only",                  "No"},
        }},
    });
    // clang-format on
    intermediateDirectory_ = definition("build_intermediate_directory");
    rootOutputDirectory_ = definition("build_root_output_directory");
    outputDirectory_ = definition("build_output_directory");
}

void BuildSystem::defineProperties(std::initializer_list<PropertySheet> sheets)
{
    const std::size_t first = definitions_.entries().size();
    definitions_.define(sheets);
    for (std::size_t i = first; i < definitions_.entries().size(); ++i)
        if (definitions_.entries()[i].registered)
            addPropertyClass(definitions_.entries()[i].propertyClass.get());
}

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
    const MacroSystem& macroSystem = context_.macroSystem;
    MacroTable t = macroSystem.globalMacros(true);
    ProjectSystem* system = context_.projectSystem.get();

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

    t["OBJ"] = system ? system->objectFileExtension() : "";
    t["EXE"] = system ? system->executableFileExtension() : "";
    t["LIB"] = system ? system->libraryFileExtension() : "";
    t["PackageExt"] = kPackageExtension;

    auto expanded = [&](const PropertyClass* property) {
        if (!system)
            return std::string();
        return macroSystem.replaceMacros(t, system->settingFor(node, property, configuration));
    };
    const std::string intDir = expanded(intermediateDirectory_);
    t["IntDir"] = intDir.empty() ? "." : intDir;
    const std::string rootOutDir = expanded(rootOutputDirectory_);
    t["RootOutDir"] = rootOutDir;
    const std::string outDir = expanded(outputDirectory_);
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
    const ProjectSystem* system = context_.projectSystem.get();
    const std::string raw = system ? system->settingFor(node, property, configuration) : property->defaultValue();
    return context_.macroSystem.replaceMacros(macros(node, configuration), raw);
}
