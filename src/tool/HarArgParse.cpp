#include "tool/HarArgParse.h"

#include <cstdio>

#include "foundation/DirectoryListing.h"
#include "foundation/Release.h"
#include "tool/CommandTable.h"
#include "tool/FileArguments.h"

namespace {

ArgParse::Option handlerOption(void (HarArgParse::*handler)(const char*, const char*))
{
    ArgParse::Option option;
    option.hasHandler = true;
    option.handler = static_cast<ArgParse::Handler>(handler);
    return option;
}

ArgParse::Option flagOption(bool* flag)
{
    ArgParse::Option option;
    option.flagTarget = flag;
    return option;
}

// An option and its description, the option padded to 12 columns.
std::string usageLine(const std::string& option, const char* description)
{
    std::string line = option;
    line.resize(12, ' ');
    return line + description + "\n";
}

// The text written when the program is run without arguments: the command
// table's listed rows, then the tool's other options.
std::string usageText()
{
    std::string text = "\nUsage: mkpkg [options] package file...\n\n";
    for (const CommandRow& row : commandTable())
        if (row.description != nullptr)
            text += usageLine(row.option, row.description);
    text += usageLine("-v", "verbose");
    text += usageLine("-V", "show version");
    return text + "\nUsage: mkpkg -hzr project.hzp [output.hzr]\n";
}

} // namespace

void HarArgParse::addToolOptions()
{
    for (const CommandRow& row : commandTable()) {
        addOption(row.option, handlerOption(&HarArgParse::selectCommand));
        if (row.alias != nullptr)
            addOption(row.alias, handlerOption(&HarArgParse::selectCommand));
    }
    addOption("-hzr", flagOption(&invocation_.createHZR));
    addOption("-V", handlerOption(&HarArgParse::showVersion));
    addOption("-v", flagOption(&invocation_.verbose));
}

std::optional<Invocation> HarArgParse::parseArgs(int count, char** args)
{
    if (count == 1) {
        RELEASE_printVersionToStderr("Package Maintainer");
        std::fputs(usageText().c_str(), stderr);
        std::fflush(stderr);
    }
    if (count > 1)
        parse(std::vector<std::string>(args + 1, args + count));
    if (stopped())
        return std::nullopt;
    return invocation_;
}

void HarArgParse::selectCommand(const char* option, const char*)
{
    // Only the table's options are registered with this handler.
    invocation_.action = commandRowForOption(option)->command;
}

void HarArgParse::showVersion(const char*, const char*)
{
    RELEASE_printVersionToStdout("Package Maintainer");
}

void HarArgParse::onArgument(const char* arg)
{
    if (invocation_.createHZR) {
        if (!invocation_.inputFilename)
            invocation_.inputFilename = arg;
        else
            invocation_.outputFilename = arg;
        return;
    }
    if (!invocation_.inputFilename) {
        invocation_.inputFilename = arg;
        invocation_.outputFilename = arg;
        return;
    }
    std::string missingDirectory;
    const std::size_t before = invocation_.fileNames.size();
    if (resolveFileArgument(arg, invocation_.fileNames, missingDirectory) == Resolved::MissingDirectory) {
        error("can't open " + missingDirectory);
        // A wildcard in a directory that does not exist ends the run at once, and successfully.
        stopParsing();
        return;
    }
    // Strict runs name what matched nothing (a missing file, a dangling link, a
    // pattern); an empty directory names something, so it stays silent.
    if (reporter()->strict() && invocation_.fileNames.size() == before && !isDirectory(arg))
        error(std::string("no file matches ") + arg);
}
