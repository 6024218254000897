#pragma once

#include <memory>
#include <string>
#include <vector>

#include "project/BuildSystem.h"
#include "project/PropertyClass.h"

// The build properties of a compiler, assembler and linker toolchain, plus the
// extra options of the "build_options.xml" file beside the program.
class StandardBuildSystem : public BuildSystem {
public:
    // Reads "build_options.xml" in `programDirectory`. `list` is the build
    // engine's, which the tool does not run; it is passed on unused.
    StandardBuildSystem(ProjectContext& context, const std::string& programDirectory,
                        const std::vector<std::string>& list = {});

    // The classes of "build_options.xml" whose "tool" is "compiler" or "linker".
    const PropertyClassList& compilerExtras() const { return compilerExtras_; }
    const PropertyClassList& linkerExtras() const { return linkerExtras_; }

private:
    // Registers a class for each child element of the file's root that has a
    // "tool" attribute; a file that is missing or does not load adds nothing.
    void loadBuildOptions(const std::string& path);

    std::vector<std::unique_ptr<PropertyClass>> optionClasses_;
    PropertyClassList compilerExtras_;
    PropertyClassList linkerExtras_;
};
