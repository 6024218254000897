#pragma once

#include <memory>

#include "environment/EnvironmentSettings.h"
#include "foundation/QTx.h"
#include "macros/MacroSystem.h"
#include "project/ProjectContext.h"

// What one run of the tool works with: `main` creates it and hands it down by
// reference. Nothing else holds process-wide state, so a test makes a fresh one.
struct Session {
    Session() = default;
    // The tool never writes the user's settings file, which destroying the environment would.
    ~Session()
    {
        if (environment)
            environment->leaveSettingsFileAsRead();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Where the program is installed; empty until solution mode works it out.
    QTx::InstallationDirectories installationDirectories;
    // The system macros, and the hook through which the global macros are read.
    MacroSystem macroSystem;
    // `projectSystem`, `buildSystem`, `propertyValueGroups` and `stringProvider`.
    ProjectContext project{macroSystem};
    // With its registries of environment properties; null until solution mode makes it.
    std::unique_ptr<EnvironmentSettings> environment;
};
