#include <cstdio>
#include <new>
#include <utility>

#include "foundation/Release.h"
#include "foundation/SignalCleanup.h"
#include "tool/ArchiveMode.h"
#include "tool/HarArgParse.h"
#include "tool/Session.h"
#include "tool/SolutionMode.h"

int main(int argc, char** argv)
{
    SignalCleanup::ignoreFileSizeSignal();
    const char* programName = argc > 0 ? argv[0] : "mkpkg";
    HReporter reporter(programName, stderr);
    try {
        Invocation invocation;
        {
            // The parser and its option table live only while the command line is read.
            HarArgParse parser(&reporter);
            parser.addToolOptions();
            invocation = parser.parseArgs(argc, argv);
        }
        if (invocation.verbose)
            RELEASE_printVersionToStdout("Package Maintainer");
        if (!invocation.inputFilename)
            return 0;
        Session session(reporter, std::move(invocation));
        return session.invocation.createHZR ? runSolutionMode(session, programName) : runArchiveMode(session);
    } catch (const std::bad_alloc&) {
        // Unwound to here, every temporary is gone and every lock released.
        reporter.fatal("out of memory");
        return 1;
    }
}
