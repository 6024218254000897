#include "tool/HarArgParse.h"

#include <cstdio>
#include <cstdlib>

#include "foundation/DirectoryListing.h"
#include "foundation/PathText.h"
#include "tool/ArchiveCommands.h"
#include "tool/Globals.h"
#include "foundation/Release.h"

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

const char* const kUsage = "\n"
                           "Usage: mkpkg [options] package file...\n"
                           "\n"
                           "-c          create new package from files\n"
                           "-d          remove files from package\n"
                           "-r          replace file in package\n"
                           "-t          list contents of package\n"
                           "-v          verbose\n"
                           "-V          show version\n"
                           "\n"
                           "Usage: mkpkg -hzr project.hzp [output.hzr]\n";

} // namespace

void HarArgParse::addToolOptions()
{
    addOption("-a", handlerOption(&HarArgParse::dopt));
    addOption("-c", handlerOption(&HarArgParse::copt));
    addOption("-d", handlerOption(&HarArgParse::dopt));
    addOption("-hzr", flagOption(&createHZR));
    addOption("-r", handlerOption(&HarArgParse::ropt));
    addOption("-t", handlerOption(&HarArgParse::topt));
    addOption("-x", handlerOption(&HarArgParse::xopt));
    addOption("-V", handlerOption(&HarArgParse::showVersion));
    addOption("-v", flagOption(&verbose));
}

void HarArgParse::parseArgs(int count, char** args)
{
    if (count == 1) {
        RELEASE_printVersionToStderr("Package Maintainer");
        std::fputs(kUsage, stderr);
        std::fflush(stderr);
    }
    parse(std::vector<std::string>(args + 1, args + count));
}

void HarArgParse::copt(const char*, const char*)
{
    action = kActionCreate;
}
void HarArgParse::dopt(const char*, const char*)
{
    action = kActionRemove;
}
void HarArgParse::ropt(const char*, const char*)
{
    action = kActionReplace;
}
void HarArgParse::topt(const char*, const char*)
{
    action = kActionList;
}
void HarArgParse::xopt(const char*, const char*)
{
    action = kActionExtract;
}

void HarArgParse::showVersion(const char*, const char*)
{
    RELEASE_printVersionToStdout("Package Maintainer");
}

void HarArgParse::onArgument(const char* arg)
{
    if (createHZR) {
        if (!inputFilename)
            inputFilename = arg;
        else
            outputFilename = arg;
        return;
    }
    if (!inputFilename) {
        inputFilename = arg;
        outputFilename = arg;
        return;
    }
    resolveFileArgument(arg);
}

void HarArgParse::resolveFileArgument(const std::string& arg)
{
    if (isDirectory(arg)) {
        addFilesFromDirectory(cleanDirPath(arg));
        return;
    }
    std::string dir = directoryPart(arg);
    std::string name = fileNamePart(arg);
    if (isExistingNonDirectory(arg)) {
        fileNames.push_back(dir + "/" + name);
        return;
    }
    auto matches = listDirectory(dir, EntryFilter::FilesOnly, &name);
    if (!matches) {
        error("can't open " + dir);
        std::exit(0);
    }
    for (const DirEntry& entry : *matches)
        fileNames.push_back(dir + "/" + entry.name);
}
