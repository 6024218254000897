#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "project/ProjectSystem.h"

class PropertyValueGroups;
class StandardBuildSystem;

// The project system of a compiler, assembler and linker toolchain: its file
// and project types, the property group files, and the properties each tool
// reads, taken from the context's build system.
class StandardProjectSystem : public ProjectSystem {
public:
    // Also creates the context's `propertyValueGroups`, which lives as long as this.
    explicit StandardProjectSystem(ProjectContext& context);
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
    void appendDefined(PropertyClassList& list, std::initializer_list<const char*> saveNames) const;

private:
    // The properties every compiling tool reads, then the compiler extras.
    void appendCompilerList(PropertyClassList& list) const;
    // The build system's extras read from "build_options.xml"; null when the
    // build system is not a standard one.
    const StandardBuildSystem* standardBuildSystem() const;

    std::unique_ptr<PropertyValueGroups> groups_;
};
