#pragma once

#include "project/VNOFProjectSystem.h"

// The project system of the MSP430 toolchain: the target's debug interface for
// the linker, and the conversion of trees read from files of older versions.
class MSP430ProjectSystem : public VNOFProjectSystem {
public:
    using VNOFProjectSystem::VNOFProjectSystem;

    // For each project below `element` (through nested solutions): drops the
    // environment's shared section placement file from its "System Files" (or
    // else "Startup Code") folder, and writes the bundle of its "Target" group
    // property from the property groups file its settings name.
    void munge(ProjectElement* element) override;

    void appendLinkerProperties(PropertyClassList& list) const override;

private:
    void mungeProject(ProjectElement* project);
};
