// Solution packaging: the solution file, the files its tree names and the
// package description file, written as one compressed package.
#include "solution/SolutionPackaging.h"

#include <climits>
#include <unordered_set>
#include <vector>

#include "foundation/PathText.h"
#include "foundation/ProgressObserver.h"
#include "foundation/SiblingOpener.h"
#include "package/Archive.h"
#include "package/FileMember.h"
#include "project/ProjectElement.h"

namespace {

// The member names so far, so that each file costs one lookup whatever the
// number of members.
using MemberNames = std::unordered_set<std::string>;

void addElementFile(const std::string& baseDir, ProjectElement* element, Archive2& archive, MemberNames& names,
                    SiblingOpener& siblings, const PackagingLog& log)
{
    std::optional<std::string> fileName = element->attribute("file_name");
    if (!fileName)
        return;
    auto leaveOut = [&](const std::string& reason) {
        if (log)
            log("leaving out " + *fileName + ": " + reason);
    };
    // A macro left unexpanded names a file of the installation, not of the solution.
    if (fileName->find('$') != std::string::npos)
        return leaveOut("it names a macro");
    // No system opens a name this long, so it can never be a member; deciding
    // that before resolving keeps an enormous name from costing memory. (A written
    // name that only "." and ".." components make this long is left out too.)
    if (fileName->size() >= PATH_MAX)
        return leaveOut("the name is longer than " + std::to_string(PATH_MAX - 1) + " bytes");
    element->checkDoFileStuff();
    const std::string& path = element->path().filePath();
    std::string relative;
    // A file that shares no directory with the solution is left out like a missing one (said with -v only).
    if (!Path::relativeFilePath(baseDir, path, relative))
        return leaveOut("no path from " + baseDir);
    if (names.contains(relative))
        return leaveOut(relative + " is packaged already");
    std::string error;
    if (!addFileMember(archive, path, relative, error, ReadOnlyWhen::OwnerCannotWrite, &siblings))
        return leaveOut(error);
    names.insert(relative);
    if (log)
        log("adding " + relative);
}

} // namespace

bool addFileToPackage(const std::string& path, const std::string& memberName, Archive2& archive)
{
    // Why a file cannot be a member is not reported: it is left out of the package.
    std::string unreported;
    return addFileMember(archive, path, memberName, unreported, ReadOnlyWhen::OwnerCannotWrite);
}

void addToPackage(const std::string& baseDir, ProjectElement* first, Archive2& archive, const PackagingLog& log)
{
    MemberNames names;
    SiblingOpener siblings;
    for (const ArchiveChunk2& member : archive.members())
        names.insert(member.name);
    // Each entry is the next sibling still to visit on one level; configurations
    // and files are not entered.
    std::vector<ProjectElement*> pending{first};
    while (!pending.empty()) {
        ProjectElement* element = pending.back();
        if (element == nullptr) {
            pending.pop_back();
            continue;
        }
        pending.back() = element->nextSibling();
        const int kind = element->kind();
        if (kind == ProjectElement::kSolution || kind == ProjectElement::kFile)
            addElementFile(baseDir, element, archive, names, siblings, log);
        if (kind == ProjectElement::kSolution || kind == ProjectElement::kProject || kind == ProjectElement::kFolder)
            pending.push_back(element->firstChild());
    }
}

bool packageSolution(ProjectElement* solution, const std::string& outputFile,
                     const std::optional<std::string>& packageDescription, std::string& error, const PackagingLog& log,
                     ProgressObserver* progress)
{
    Archive2 archive;
    auto add = [&](const std::string& path, const std::string& memberName) {
        if (addFileToPackage(path, memberName, archive) && log)
            log("adding " + memberName);
    };
    solution->checkDoFileStuff();
    const std::string solutionFile = solution->path().filePath();
    add(solutionFile, fileNamePart(solutionFile));
    const std::string baseDir = solution->path().dirPath(true);
    addToPackage(baseDir, solution->firstChild(), archive, log);
    // Added without looking for a member of that name: the tree may list it too.
    std::string relative;
    if (packageDescription && Path::relativeFilePath(baseDir, *packageDescription, relative))
        add(*packageDescription, relative);
    // Written beside the output and renamed over it, so a failure leaves the old package as it was.
    if (archive.write(outputFile.c_str(), Packing::Compressed, progress) != 0) {
        error = archive.errorText();
        return false;
    }
    return true;
}
