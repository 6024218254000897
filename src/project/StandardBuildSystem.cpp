#include "project/StandardBuildSystem.h"

#include <cstring>

#include "xml/XML.h"

namespace {
using enum PropertyClass::Type;
} // namespace

StandardBuildSystem::StandardBuildSystem(ProjectContext& context, const std::string& programDirectory,
                                         const std::vector<std::string>&)
    : BuildSystem(context)
{
    // "linker_memory_map_file", "linker_output_format" and
    // "property_groups_file_path" get their defaults (and the output format its
    // entries) from the toolchain levels above.
    // clang-format off
    defineProperties({
        {"Linker", "Library Options", {
            {"link_include_standard_libraries",   Boolean,     "Include Standard Libraries",   "Yes"},
            {"link_standard_libraries_directory", String,      "Standard Libraries Directory", "$(StudioDir)/lib"},
            {"link_use_multi_threaded_libraries", Boolean,     "Use Multi Threaded Libraries", "No"},
            {"link_IOLibraryName",                Enumeration, "I/O Library Name",             "target", "debug, target, none"},
        }},
        {"Linker", "Linker Options", {
            {"link_symbol_definitions",       StringList,   "Linker Symbol Definitions"},
            {"linker_keep_symbols",           StringList,   "Keep Symbols"},
            {"linker_additional_files",       StringList,   "Additional Input Files"},
            {"linker_additional_options",     StringList,   "Additional Linker Options"},
            {"linker_memory_map_file",        ProjFileName, "Memory Map File",        "", "", "special value XML (*.xml)"},
            {"linker_section_placement_file", ProjFileName, "Section Placement File", "$(StudioDir)/targets/section_placement.xml", "", "special value XML (*.xml)"},
            {"linker_output_format",          Enumeration,  "Additional Output Format"},
            {"linker_map_file",               Boolean,      "Generate Map File",      "Yes"},
        }},
        {"C/C++", "Compiler Options", {
            {"c_enforce_ansi_checking", Boolean,    "Enforce ANSI Checking", "Yes"},
            {"c_additional_options",    StringList, "Additional Compiler Options"},
        }},
        {"C/C++", "Preprocessor Options", {
            {"c_undefine_all_preprocessor_definitions", Boolean,    "Undefine All Preprocessor Definitions", "No"},
            {"c_preprocessor_definitions",              StringList, "Preprocessor Definitions"},
            {"c_preprocessor_undefinitions",            StringList, "Preprocessor Undefinitions"},
            {"c_ignore_includes",                       Boolean,    "Ignore Includes", "No"},
            {"c_system_include_directories",            StringList, "System Include Directories", "$(StudioDir)/include;$(PackagesDir)/include"},
            {"c_user_include_directories",              StringList, "User Include Directories", "."},
        }},
        {"C/C++", "Code Generation Options", {
            {"cpp_enable_exceptions", Boolean, "Enable Exception Support", "No"},
            {"cpp_enable_rtti",       Boolean, "Enable RTTI Support",      "No"},
        }},
        {"Assembler", "Assembler Options", {
            {"asm_additional_options", StringList, "Additional Assembler Options"},
        }},
        {"C/C++", "Section Options", {
            {"default_code_section",   String, "Code Section Name",     "CODE"},
            {"default_data_section",   String, "Data Section Name",     "IDATA0"},
            {"default_zeroed_section", String, "Zeroed Section Name",   "UDATA0"},
            {"default_const_section",  String, "Constant Section Name", "CONST"},
            {"default_vector_section", String, "Vector Section Name",   "INTVEC"},
        }},
        {"Linker", "Printf/Scanf Options", {
            {"linker_printf_fmt_level",                       Enumeration, "Printf Integer Support",           "int", "int, long, long long"},
            {"linker_printf_width_precision_supported",       Boolean,     "Printf Width/Precision Supported", "Yes"},
            {"linker_printf_fp_enabled",                      Boolean,     "Printf Floating Point Supported",  "No"},
            {"linker_scanf_fmt_level",                        Enumeration, "Scanf Integer Support",            "int", "int, long, long long"},
            {"linker_scanf_fp_enabled",                       Boolean,     "Scanf Floating Point Supported",   "No"},
            {"linker_scanf_character_group_matching_enabled", Boolean,     "Scanf Classes Supported",          "No"},
        }},
        {"C/C++", "User Build Step Options", {
            {"compile_pre_build_command",      String, "Pre-Compile Command"},
            {"compile_pre_build_command_wd",   String, "Pre-Compile Working Directory",  "$(ProjectDir)"},
            {"compile_post_build_command",     String, "Post-Compile Command"},
            {"compile_post_build_command_wd",  String, "Post-Compile Working Directory", "$(ProjectDir)"},
        }},
        {"Linker", "User Build Step Options", {
            {"linker_pre_build_command",     String, "Pre-Link Command"},
            {"linker_pre_build_command_wd",  String, "Pre-Link Working Directory",  "$(ProjectDir)"},
            {"linker_post_build_command",    String, "Post-Link Command"},
            {"linker_post_build_command_wd", String, "Post-Link Working Directory", "$(ProjectDir)"},
        }},
        {"External Build", "External Build Options", {
            {"external_build_file_name", ProjFileName, "Executable File"},
            {"external_build_command",   String,       "Build Command"},
            {"external_clean_command",   String,       "Clean Command"},
            {"external_start_address",   String,       "Start Address"},
            {"external_load_address",    String,       "Load Address"},
            {"external_load_file_type",  Enumeration,  "Load File Type", "Detect", "Detect"},
        }},
        {"Debugger", "Target Script Options", {
            {"target_reset_script",       String, "Reset Script"},
            {"target_attach_script",      String, "Attach Script"},
            {"target_go_script",          String, "Run Script"},
            {"target_stop_script",        String, "Stop Script"},
            {"target_connect_script",     String, "Connect Script"},
            {"target_disconnect_script",  String, "Disconnect Script"},
            {"target_debug_begin_script", String, "Debug Begin Script"},
            {"target_debug_end_script",   String, "Debug End Script"},
        }},
        {"Debugger", "JTAG Chain Options", {
            {"arm_linker_jtag_pad_pre_ir",  IntegerRange, "JTAG Instruction Bits Before", "0", "0 to 1024", "suffix bits"},
            {"arm_linker_jtag_pad_post_ir", IntegerRange, "JTAG Instruction Bits After",  "0", "0 to 1024", "suffix bits"},
            {"arm_linker_jtag_pad_pre_dr",  IntegerRange, "JTAG Data Bits Before",        "0", "0 to 1024", "suffix bits"},
            {"arm_linker_jtag_pad_post_dr", IntegerRange, "JTAG Data Bits After",         "0", "0 to 1024", "suffix bits"},
        }},
        {"Build", "Build Options", {
            {"property_groups_file_path",   ProjFileName, "Property Groups File", "", "", "special value XML (*.xml)"},
            {"build_remove_unused_symbols", Boolean,      "Enable Unused Symbol Removal", "No"},
        }},
        {"Debugger", "Debugger Options", {
            {"debug_working_directory",     DirPath,    "Working Directory",     "$(ProjectDir)"},
            {"debug_command_arguments",     String,     "Command Arguments",     "$(ProjectName)$(EXE)"},
            {"debug_additional_load_files", StringList, "Additional Load Files"},
            {"debug_entry_point_symbol",    String,     "Entry Point Symbol"},
        }},
    });
    // clang-format on
    loadBuildOptions(programDirectory + "/build_options.xml");
}

void StandardBuildSystem::loadBuildOptions(const std::string& path)
{
    XMLDocument document(false);
    if (!document.load(path.c_str()) || !document.rootElement())
        return;
    for (XMLNode* node = document.rootElement()->firstChild(); node; node = node->nextSibling()) {
        const XMLElement* element = node->toElement();
        if (!element)
            continue;
        const char* tool = element->attribute("tool");
        if (!tool)
            continue;
        optionClasses_.push_back(std::make_unique<PropertyClass>(element));
        PropertyClass* added = optionClasses_.back().get();
        if (std::strcmp(tool, "compiler") == 0)
            compilerExtras_.push_back(added);
        else if (std::strcmp(tool, "linker") == 0)
            linkerExtras_.push_back(added);
        addPropertyClass(added);
    }
}
