#pragma once

#include "project/VNOFBuildSystem.h"

// The build system of the MSP430 toolchain: its target properties, its
// hardware multiplier choices, its default memory map and property groups, the
// library variant macro and the options its compiler and linker get.
class MSP430BuildSystem : public VNOFBuildSystem {
public:
    // The build engine's action codes that receive MSP430 options (names ours).
    enum Action { kCompileAction = 2, kAssembleAction = 7, kLinkAction = 10 };

    MSP430BuildSystem(ProjectContext& context, const std::string& programDirectory,
                      const std::vector<std::string>& list = {});

    // The base table and, for a project node, "LibExt": the library variant
    // suffix chosen by the multiplier, the size of "double" and the instruction set.
    MacroTable macros(ProjectElement* node, const std::string& configuration) override;

    // Compile actions: "-mcpux" for the MSP430X instruction set, then the
    // platform define unless all definitions are undefined. The link action:
    // "-mcpux" as well, then "-fcpu6" for the CPU6 work-around. Always true.
    bool appendBuildOptions(ProjectElement* element, const std::string& configuration, int action,
                            std::vector<std::string>& options, void* builder) override;
    // The platform define unless all definitions are undefined.
    void appendPreprocessorOptions(ProjectElement* element, const std::string& configuration,
                                   std::vector<std::string>& options) override;

private:
    // The element's unexpanded setting of the property defined as `saveName`.
    std::string setting(ProjectElement* element, const char* saveName, const std::string& configuration) const;
    void appendPlatformDefine(ProjectElement* element, const std::string& configuration,
                              std::vector<std::string>& options) const;
};
