#include "project/MSP430BuildSystem.h"

#include "project/ProjectElement.h"
#include "project/ProjectSystem.h"

namespace {

using enum PropertyClass::Type;

constexpr const char* kPlatformDefine = "-D__LATHMARK_MSP430";

} // namespace

MSP430BuildSystem::MSP430BuildSystem(ProjectContext& context, const std::string& programDirectory,
                                     const std::vector<std::string>& list)
    : VNOFBuildSystem(context, programDirectory, list)
{
    // The family's three-valued multiplier choice gives way to this target's
    // own, in the registry and wherever the family's definition was used.
    const PropertyClass* familyMultiplier = definition("build_use_hardware_multiplier");
    // clang-format off
    defineProperties({
        {"C/C++", "Code Generation Options", {
            {"build_use_hardware_multiplier", Enumeration, "Use Hardware Multiplier", "No Multiplier", "No Multiplier, 16-Bit Multiplier, 32-Bit Multiplier"},
        }},
        {"Linker", "Linker Options", {
            {"link_msp430_workaround_CPU_6_bug", Boolean, "Work Around CPU6 Bug", "No"},
        }},
        {"Target", "Target Options", {
            {"msp430_debug_interface", Enumeration, "Debug Interface", "JTAG", "JTAG, SPY_BI_WIRE_JTAG"},
            {"msp430_identify_string", String,      "Identify String"},
        }},
        {"Target", "Code Generation Options", {
            {"msp430_insn_set", Enumeration, "Instruction Set", "MSP430", "MSP430, MSP430X"},
        }},
    });
    // clang-format on
    definitions_.remove(familyMultiplier);
    definition("linker_memory_map_file")->setDefault("$(PackagesDir)/targets/msp430/MSP430F449.xml");
    definition("property_groups_file_path")->setDefault("$(PackagesDir)/targets/msp430/propertyGroups.xml");
}

std::string MSP430BuildSystem::setting(ProjectElement* element, const char* saveName,
                                       const std::string& configuration) const
{
    const PropertyClass* property = definition(saveName);
    const ProjectSystem* system = context_.projectSystem.get();
    return system ? system->settingFor(element, property, configuration) : property->defaultValue();
}

MacroTable MSP430BuildSystem::macros(ProjectElement* node, const std::string& configuration)
{
    MacroTable t = VNOFBuildSystem::macros(node, configuration);
    if (!node || node->kind() != ProjectElement::kProject)
        return t;
    const std::string multiplier = setting(node, "build_use_hardware_multiplier", configuration);
    std::string libExt = multiplier == "No Multiplier" ? "_soft" : multiplier == "16-Bit Multiplier" ? "_hw16" : "_hw32";
    libExt += setting(node, "double_is_float", configuration) == "Yes" ? "_single" : "_double";
    if (setting(node, "msp430_insn_set", configuration) == "MSP430X")
        libExt += "_cpux";
    t["LibExt"] = libExt;
    return t;
}

void MSP430BuildSystem::appendPlatformDefine(ProjectElement* element, const std::string& configuration,
                                             std::vector<std::string>& options) const
{
    if (setting(element, "c_undefine_all_preprocessor_definitions", configuration) == "No")
        options.push_back(kPlatformDefine);
}

bool MSP430BuildSystem::appendBuildOptions(ProjectElement* element, const std::string& configuration, int action,
                                           std::vector<std::string>& options, void*)
{
    if (action != kCompileAction && action != kAssembleAction && action != kLinkAction)
        return true;
    if (setting(element, "msp430_insn_set", configuration) == "MSP430X")
        options.push_back("-mcpux");
    if (action == kLinkAction) {
        if (setting(element, "link_msp430_workaround_CPU_6_bug", configuration) == "Yes")
            options.push_back("-fcpu6");
    } else {
        appendPlatformDefine(element, configuration, options);
    }
    return true;
}

void MSP430BuildSystem::appendPreprocessorOptions(ProjectElement* element, const std::string& configuration,
                                                  std::vector<std::string>& options)
{
    appendPlatformDefine(element, configuration, options);
}
