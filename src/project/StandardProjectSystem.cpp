#include "project/StandardProjectSystem.h"

#include "project/PropertyValueGroup.h"
#include "project/StandardBuildSystem.h"

namespace {

void appendAll(PropertyClassList& list, const PropertyClassList& classes)
{
    for (const PropertyClass* propertyClass : classes)
        list.appendUnique(propertyClass);
}

} // namespace

StandardProjectSystem::StandardProjectSystem(ProjectContext& context)
    : ProjectSystem(context, filetypes(), projecttypes()),
      groups_(std::make_unique<PropertyValueGroups>(context.macroSystem, &context.warn))
{
    context.propertyValueGroups = groups_.get();
}

StandardProjectSystem::~StandardProjectSystem()
{
    if (context().propertyValueGroups == groups_.get())
        context().propertyValueGroups = nullptr;
}

const StandardBuildSystem* StandardProjectSystem::standardBuildSystem() const
{
    return dynamic_cast<const StandardBuildSystem*>(context().buildSystem.get());
}

std::vector<std::string> StandardProjectSystem::filetypes()
{
    return {"C",          "C++",         "Basic",         "Assembly",     "Section Placement",
            "Memory Map", "Target Definitions", "Threads Script", "Target Script", "Reset Script",
            "Linker Script", "Executable", "Library",    "Object file"};
}

std::vector<std::string> StandardProjectSystem::projecttypes()
{
    return {"Executable", "Library", "Object file", "Staging", "Combining", "Externally Built Executable"};
}

void StandardProjectSystem::appendDefined(PropertyClassList& list, std::initializer_list<const char*> saveNames) const
{
    const BuildSystem* buildSystem = context().buildSystem.get();
    if (!buildSystem)
        return;
    for (const char* saveName : saveNames)
        if (const PropertyClass* propertyClass = buildSystem->definition(saveName))
            list.appendUnique(propertyClass);
}

void StandardProjectSystem::appendCompilerList(PropertyClassList& list) const
{
    appendDefined(list, {"c_preprocessor_definitions", "c_preprocessor_undefinitions", "c_user_include_directories",
                         "c_system_include_directories", "c_undefine_all_preprocessor_definitions",
                         "c_ignore_includes", "build_treat_warnings_as_errors", "build_suppress_warnings",
                         "build_debug_information", "build_quietly", "default_code_section", "default_data_section",
                         "default_zeroed_section", "default_const_section", "default_vector_section",
                         "compile_pre_build_command", "compile_pre_build_command_wd", "compile_post_build_command",
                         "compile_post_build_command_wd"});
    if (const StandardBuildSystem* standard = standardBuildSystem())
        appendAll(list, standard->compilerExtras());
}

void StandardProjectSystem::appendCCompilerProperties(PropertyClassList& list) const
{
    appendDefined(list, {"c_additional_options", "c_enforce_ansi_checking"});
    appendCompilerList(list);
}

void StandardProjectSystem::appendCppCompilerProperties(PropertyClassList& list) const
{
    appendDefined(list, {"cpp_enable_exceptions", "cpp_enable_rtti"});
}

void StandardProjectSystem::appendAssemblerProperties(PropertyClassList& list) const
{
    appendDefined(list, {"asm_additional_options"});
    appendCompilerList(list);
}

void StandardProjectSystem::appendLinkerProperties(PropertyClassList& list) const
{
    appendDefined(list, {"linker_memory_map_file", "linker_map_file", "linker_section_placement_file",
                         "link_include_standard_libraries", "link_standard_libraries_directory",
                         "link_use_multi_threaded_libraries", "link_IOLibraryName", "linker_additional_files",
                         "linker_additional_options", "linker_output_format", "linker_printf_fmt_level",
                         "linker_printf_fp_enabled", "linker_printf_width_precision_supported",
                         "linker_scanf_fmt_level", "linker_scanf_fp_enabled",
                         "linker_scanf_character_group_matching_enabled", "linker_pre_build_command",
                         "linker_pre_build_command_wd", "linker_post_build_command", "linker_post_build_command_wd",
                         "link_symbol_definitions", "linker_keep_symbols"});
    if (const StandardBuildSystem* standard = standardBuildSystem())
        appendAll(list, standard->linkerExtras());
}
