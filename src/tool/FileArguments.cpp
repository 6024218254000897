#include "tool/FileArguments.h"

#include "foundation/DirectoryListing.h"
#include "foundation/PathText.h"

Resolved resolveFileArgument(const std::string& arg, std::vector<std::string>& fileNames, std::string& missingDirectory)
{
    if (isDirectory(arg)) {
        listFilesBelow(cleanDirPath(arg), fileNames);
        return Resolved::Files;
    }
    // Joined as text, not with std::filesystem: a bare name must come out as
    // "./name" and "/x" as "//x", as member names always have.
    const std::string dir = directoryPart(arg);
    const std::string name = fileNamePart(arg);
    if (isExistingNonDirectory(arg)) {
        fileNames.push_back(dir + "/" + name);
        return Resolved::Files;
    }
    if (!isDirectory(dir)) {
        missingDirectory = dir;
        return Resolved::MissingDirectory;
    }
    // A directory that cannot be read matches nothing.
    if (auto matches = listDirectory(dir, EntryFilter::FilesOnly, &name))
        for (const DirEntry& entry : *matches)
            fileNames.push_back(dir + "/" + entry.name);
    return Resolved::Files;
}
