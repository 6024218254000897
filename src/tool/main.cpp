#include <cstdio>
#include <new>

#include "foundation/Release.h"
#include "foundation/SignalCleanup.h"
#include "tool/ArchiveMode.h"
#include "tool/Globals.h"
#include "tool/HarArgParse.h"
#include "tool/Session.h"
#include "tool/SolutionMode.h"

int main(int argc, char** argv)
{
    SignalCleanup::ignoreFileSizeSignal();
    HReporter reporter(argc > 0 ? argv[0] : "mkpkg", stderr);
    report = &reporter;
    try {
        HarArgParse parser(report);
        parser.addToolOptions();
        action = kActionList;
        verbose = false;
        parser.parseArgs(argc, argv);
        if (verbose)
            RELEASE_printVersionToStdout("Package Maintainer");
        if (!inputFilename)
            return 0;
        Session session;
        return createHZR ? runSolutionMode(session, argc > 0 ? argv[0] : "mkpkg") : runArchiveMode();
    } catch (const std::bad_alloc&) {
        // Unwound to here, every temporary is gone and every lock released.
        reporter.fatal("out of memory");
        return 1;
    }
}
