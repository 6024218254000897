#include "tool/SolutionMode.h"

#include <cstdio>

#include "environment/EnvironmentSettings.h"
#include "environment/PackageSystem.h"
#include "foundation/HException.h"
#include "foundation/Path.h"
#include "foundation/PathText.h"
#include "foundation/QTx.h"
#include "foundation/TerminalText.h"
#include "macros/MacroSystem.h"
#include "project/MSP430BuildSystem.h"
#include "project/MSP430ProjectSystem.h"
#include "project/SolutionLoadError.h"
#include "project/SolutionPackaging.h"
#include "tool/Session.h"
#include "tool/WriterLock.h"

int runSolutionMode(Session& session, const char* argv0)
{
    const std::optional<std::string>& inputFilename = session.invocation.inputFilename;
    QTx::setApplicationPath(argv0, 1);
    setupDefaultSystemMacros(QTx::rootDirectory());
    try {
        PackageSystem::setupPackageMacros("$(StudioUserDir)/packages");
    } catch (const HException& failure) {
        // The templates stub cannot exist, so no solution could be completed: stop here.
        session.report.fatal(failure.message());
        return 1;
    }
    // Never destroyed: the environment would save the user's settings file on the way out.
    environment = new EnvironmentSettings();
    environment->createEntries();
    projectSystem = new MSP430ProjectSystem();
    buildSystem = new MSP430BuildSystem(std::vector<std::string>{});
    macroSystem.setSystemMacro("Platform", "msp430");

    const Path solutionFile(*inputFilename);
    try {
        projectSystem->loadSolution(absolutePath(*inputFilename), nullptr, nullptr);
    } catch (const SolutionLoadError& failure) {
        std::fputs(failure.message().c_str(), stderr);
        return 1;
    }

    const std::string baseName = solutionFile.baseName();
    const std::string outputFilename = session.invocation.outputFilename.value_or(baseName + ".hzr");
    std::optional<std::string> packageDescription = directoryPart(*inputFilename) + "/" + baseName + "_package.xml";
    if (!Path(*packageDescription).exists())
        packageDescription.reset();
    std::optional<LockFile> lock;
    if (!lockForWriting(lock, outputFilename, session.report))
        return 1;
    std::string error;
    // With -v, every file of the tree added or left out (and why) is listed.
    auto log = [](const std::string& line) { std::printf("%s\n", TerminalText::forStream(line, stdout).c_str()); };
    if (!projectSystem->packageSolution(projectSystem->solutionElement(), outputFilename, packageDescription, error,
                                        session.invocation.verbose ? PackagingLog(log) : nullptr,
                                        session.report.progress())) {
        session.report.fatal(error);
        return 1;
    }
    return 0;
}
