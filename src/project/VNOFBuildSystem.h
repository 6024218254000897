#pragma once

#include "project/StandardBuildSystem.h"

// The code generation and linker properties of the toolchain's optimising
// compiler family, common to its targets.
class VNOFBuildSystem : public StandardBuildSystem {
public:
    VNOFBuildSystem(ProjectContext& context, const std::string& programDirectory,
                    const std::vector<std::string>& list = {});
};
