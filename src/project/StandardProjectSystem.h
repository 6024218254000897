#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "project/ProjectSystem.h"

class PropertyValueGroups;

// The project system of a compiler, assembler and linker toolchain: its file
// and project types, the property group files, and the properties each tool
// reads, taken from the global `buildSystem`.
class StandardProjectSystem : public ProjectSystem {
public:
    // Also creates the global `propertyValueGroups`, which lives as long as this.
    StandardProjectSystem();
    ~StandardProjectSystem() override;

    static std::vector<std::string> filetypes();
    static std::vector<std::string> projecttypes();

    void appendCCompilerProperties(PropertyClassList& list) const override;
    void appendCppCompilerProperties(PropertyClassList& list) const override;
    void appendAssemblerProperties(PropertyClassList& list) const override;
    void appendLinkerProperties(PropertyClassList& list) const override;

protected:
    // Appends the build system's definitions of `saveNames`, in order, skipping
    // repeats and names it does not define.
    static void appendDefined(PropertyClassList& list, std::initializer_list<const char*> saveNames);

private:
    // The properties every compiling tool reads, then the compiler extras.
    static void appendCompilerList(PropertyClassList& list);

    std::unique_ptr<PropertyValueGroups> groups_;
};
