#include <cstdio>
#include <cstdlib>
#include <exception>
#include <malloc.h>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
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
    // The buffers of one phase (unwrapping a package, then writing one) go back to
    // the system when it ends, so that the peak is the larger phase, not both:
    // glibc would keep them once it raised its own threshold past their size.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    const char* programName = argc > 0 ? argv[0] : "mkpkg";
    HReporter reporter(programName, stderr);
    // Only the exact value 1 opts in; anything else leaves the specified statuses.
    const char* strict = std::getenv("MKPKG_STRICT");
    reporter.setStrict(strict != nullptr && std::string(strict) == "1");
    // Whatever is thrown ends here as one fatal message and status 1. Unwound to
    // here, the session is gone, every temporary removed and every lock released.
    try {
        std::optional<Invocation> invocation;
        {
            // The parser and its option table live only while the command line is read.
            HarArgParse parser(&reporter);
            parser.addToolOptions();
            invocation = parser.parseArgs(argc, argv);
        }
        // The command line ended the run itself (it has said why).
        if (!invocation)
            return reporter.exitStatus(0);
        if (invocation->verbose)
            RELEASE_printVersionToStdout("Package Maintainer");
        if (!invocation->inputFilename)
            return reporter.exitStatus(0);
        Session session(reporter, std::move(*invocation));
        session.project.warn = [&reporter](const std::string& text) { reporter.plainWarning(text); };
        return reporter.exitStatus(session.invocation.createHZR ? runSolutionMode(session, programName)
                                                                : runArchiveMode(session));
    } catch (const std::bad_alloc&) {
        reporter.fatal("out of memory");
    } catch (const std::logic_error& failure) {
        reporter.fatal(std::string("internal error: ") + failure.what());
    } catch (const std::exception& failure) {
        // Such as a resource the system refused: the system's own words.
        reporter.fatal(*failure.what() != '\0' ? failure.what() : "unexpected failure");
    } catch (...) {
        reporter.fatal("unexpected failure");
    }
    return 1;
}
