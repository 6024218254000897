#include "tool/Globals.h"

std::optional<std::string> inputFilename;
std::optional<std::string> outputFilename;
std::vector<std::string> fileNames;
int action = kActionList;
bool createHZR = false;
bool verbose = false;
HReporter* report = nullptr;
Archive2 srcArchive;
Archive2 dstArchive;

void resetToolGlobals()
{
    inputFilename.reset();
    outputFilename.reset();
    fileNames.clear();
    action = kActionList;
    createHZR = false;
    verbose = false;
    srcArchive.close();
    srcArchive.members().clear();
    dstArchive.close();
    dstArchive.members().clear();
}
