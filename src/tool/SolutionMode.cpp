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
#include "solution/SolutionLoadError.h"
#include "solution/SolutionLoader.h"
#include "solution/SolutionPackaging.h"
#include "tool/Session.h"
#include "tool/SourceDateEpoch.h"
#include "tool/WriterLock.h"

namespace {

// One line naming what failed: the file with its line, the template, the project.
std::string loadFailureSubject(const SolutionLoadError& failure)
{
    if (failure.parseError())
        return failure.subject() + ":" + std::to_string(failure.line()) + ": " + failure.message();
    if (failure.message() == " project template not found")
        return "project template \"" + failure.subject() + "\" not found";
    // Made to be read one after the other: "/w/a.hzp does not exist", "no template for project P1".
    return failure.subject() + failure.message();
}

} // namespace

void startProjectModel(Session& session, const char* argv0)
{
    session.installationDirectories = QTx::applicationPath(argv0, 1);
    setupDefaultSystemMacros(session.macroSystem, session.installationDirectories.root);
    PackageSystem::setupPackageMacros(session.macroSystem, "$(StudioUserDir)/packages");
    session.environment = std::make_unique<EnvironmentSettings>(session.macroSystem);
    session.environment->createEntries();
    ProjectContext& project = session.project;
    project.projectSystem = std::make_unique<MSP430ProjectSystem>(project);
    project.buildSystem = std::make_unique<MSP430BuildSystem>(project, session.installationDirectories.application);
    session.macroSystem.setSystemMacro("Platform", "msp430");
}

int runSolutionMode(Session& session, const char* argv0)
{
    const std::optional<std::string>& inputFilename = session.invocation.inputFilename;
    try {
        startProjectModel(session, argv0);
    } catch (const HException& failure) {
        // The templates stub cannot exist, so no solution could be completed: stop here.
        session.report.fatal(failure.message());
        return 1;
    }
    ProjectContext& project = session.project;

    const Path solutionFile(*inputFilename);
    try {
        SolutionLoader(*project.projectSystem).loadSolution(absolutePath(*inputFilename), nullptr, nullptr);
    } catch (const SolutionLoadError& failure) {
        // Through a pipe the message alone, as scripts know it; a terminal also learns what failed.
        if (!session.report.toTerminal()) {
            std::fputs(failure.message().c_str(), stderr);
            return 1;
        }
        std::fputs((TerminalText::escaped(failure.message()) + "\n").c_str(), stderr);
        session.report.fatal("can't load the solution: " + loadFailureSubject(failure));
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
    if (!packageSolution(project.projectSystem->solutionElement(), outputFilename, packageDescription, error,
                         session.invocation.verbose ? PackagingLog(log) : nullptr, session.report.progress(),
                         sourceDateEpoch(session.report))) {
        session.report.fatal(error);
        return 1;
    }
    return 0;
}
