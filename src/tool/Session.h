#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "environment/EnvironmentSettings.h"
#include "foundation/QTx.h"
#include "macros/MacroSystem.h"
#include "package/Archive.h"
#include "package/OldPackage.h"
#include "project/ProjectContext.h"
#include "tool/HReporter.h"
#include "tool/Invocation.h"

// Everything one run of the tool works on. `main` creates it after parsing the
// command line and hands it down by reference; nothing else holds run state, so a
// test or fuzz target makes a fresh session for each case.
struct Session {
    Session(HReporter& reporter, Invocation parsed) : report(reporter), invocation(std::move(parsed)) {}
    // The tool never writes the user's settings file, which destroying the environment would.
    ~Session()
    {
        if (environment)
            environment->leaveSettingsFileAsRead();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    HReporter& report;     // every message line goes through it
    Invocation invocation; // action, inputFilename, outputFilename, fileNames, verbose, createHZR
    Archive2 srcArchive;   // the package as read
    Archive2 dstArchive;   // the package being built
    // The compressed package srcArchive was unwrapped from, for dstArchive to take pieces from.
    std::optional<OldPackage> oldPackage;

    // Where the program is installed; empty until solution mode works it out.
    QTx::InstallationDirectories installationDirectories;
    // The system macros, and the hook through which the global macros are read.
    MacroSystem macroSystem;
    // `projectSystem`, `buildSystem`, `propertyValueGroups` and `stringProvider`.
    ProjectContext project{macroSystem};
    // With its registries of environment properties; null until solution mode makes it.
    std::unique_ptr<EnvironmentSettings> environment;
};
