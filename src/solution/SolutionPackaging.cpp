// Solution packaging: the solution file, the files its tree names and the
// package description file, written as one compressed package.
#include "solution/SolutionPackaging.h"

#include <climits>
#include <future>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

#include "foundation/Cpus.h"
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

// One file element on its way into the package: judged by its name during the
// walk, looked up on disk with its batch, added in tree order.
struct Candidate {
    std::string fileName;
    std::string path;
    std::string relative;
    std::string leftOutBecause; // set when the name alone rules the file out
    std::optional<struct stat> status;
};

// Looks the files of one batch up on a second CPU while the walk judges the next
// batch, then adds them in tree order: the package and the log are the same as
// from one pass, and only a few batches are held at a time.
class MemberBatches {
public:
    MemberBatches(Archive2& archive, const PackagingLog& log)
        : archive_(archive), log_(log), parallel_(usableCpus() >= 2)
    {
        for (const ArchiveChunk2& member : archive.members())
            names_.insert(member.name);
    }

    void add(Candidate candidate)
    {
        filling_.push_back(std::move(candidate));
        if (filling_.size() == kBatchSize)
            startLookingUp();
    }

    void finish()
    {
        startLookingUp();
        addLookedUp(waitForLookup());
    }

private:
    // Large enough that a thread per batch costs nothing next to its lookups.
    static constexpr std::size_t kBatchSize = 2048;

    // Hands the filled batch to the lookup and adds the batch looked up before
    // it meanwhile.
    void startLookingUp()
    {
        std::vector<Candidate> lookedUp = waitForLookup();
        lookingUp_ = std::move(filling_);
        filling_.clear();
        if (parallel_) {
            try {
                lookup_ = std::async(std::launch::async, [this] { lookUp(); });
            } catch (const std::system_error&) {
                parallel_ = false; // no thread can start: the walk looks files up itself
            }
        }
        if (!parallel_)
            lookUp();
        addLookedUp(lookedUp);
    }

    void lookUp()
    {
        for (Candidate& candidate : lookingUp_)
            if (candidate.leftOutBecause.empty())
                candidate.status = readableFileStatus(candidate.path, &siblings_);
    }

    std::vector<Candidate> waitForLookup()
    {
        if (lookup_.valid())
            lookup_.get();
        return std::exchange(lookingUp_, {});
    }

    void addLookedUp(const std::vector<Candidate>& batch)
    {
        for (const Candidate& candidate : batch)
            addCandidate(candidate);
    }

    void addCandidate(const Candidate& candidate)
    {
        auto leaveOut = [&](const std::string& reason) {
            if (log_)
                log_("leaving out " + candidate.fileName + ": " + reason);
        };
        if (!candidate.leftOutBecause.empty())
            return leaveOut(candidate.leftOutBecause);
        // Claimed before the file is added, so the name is hashed once; given back if it fails.
        const auto [claimed, isNew] = names_.insert(candidate.relative);
        if (!isNew)
            return leaveOut(candidate.relative + " is packaged already");
        if (Status added = addFileMember(archive_, candidate.status, candidate.path, candidate.relative,
                                         ReadOnlyWhen::OwnerCannotWrite)) {
            names_.erase(claimed);
            return leaveOut(added->text());
        }
        if (log_)
            log_("adding " + candidate.relative);
    }

    Archive2& archive_;
    const PackagingLog& log_;
    // One CPU would only switch between the walk and the lookups: they run in turn then.
    bool parallel_;
    MemberNames names_;
    SiblingOpener siblings_; // used by one lookup at a time
    std::vector<Candidate> filling_;
    std::vector<Candidate> lookingUp_;
    std::future<void> lookup_;
};

// Judges a file element by its name: what it would be packaged as, or why not.
void judgeElementFile(const std::string& baseDir, ProjectElement* element, MemberBatches& batches)
{
    std::optional<std::string> fileName = element->attribute("file_name");
    if (!fileName)
        return;
    Candidate candidate;
    candidate.fileName = std::move(*fileName);
    // A macro left unexpanded names a file of the installation, not of the solution.
    if (candidate.fileName.find('$') != std::string::npos) {
        candidate.leftOutBecause = "it names a macro";
    } else if (candidate.fileName.size() >= PATH_MAX) {
        // No system opens a name this long, so it can never be a member; deciding
        // that before resolving keeps an enormous name from costing memory. (A written
        // name that only "." and ".." components make this long is left out too.)
        candidate.leftOutBecause = "the name is longer than " + std::to_string(PATH_MAX - 1) + " bytes";
    } else {
        element->checkDoFileStuff();
        candidate.path = element->path().filePath();
        // A file that shares no directory with the solution is left out like a missing one (said with -v only).
        if (!Path::relativeFilePath(baseDir, candidate.path, candidate.relative))
            candidate.leftOutBecause = "no path from " + baseDir;
    }
    batches.add(std::move(candidate));
}

} // namespace

bool addFileToPackage(const std::string& path, const std::string& memberName, Archive2& archive)
{
    // Why a file cannot be a member is not reported: it is left out of the package.
    return !addFileMember(archive, path, memberName, ReadOnlyWhen::OwnerCannotWrite);
}

void addToPackage(const std::string& baseDir, ProjectElement* first, Archive2& archive, const PackagingLog& log)
{
    MemberBatches batches(archive, log);
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
            judgeElementFile(baseDir, element, batches);
        if (kind == ProjectElement::kSolution || kind == ProjectElement::kProject || kind == ProjectElement::kFolder)
            pending.push_back(element->firstChild());
    }
    batches.finish();
}

bool packageSolution(ProjectElement* solution, const std::string& outputFile,
                     const std::optional<std::string>& packageDescription, std::string& error, const PackagingLog& log,
                     ProgressObserver* progress, std::optional<std::int64_t> latestTime)
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
    if (latestTime)
        archive.capTimes(*latestTime);
    // Written beside the output and renamed over it, so a failure leaves the old package as it was.
    if (archive.write(outputFile.c_str(), Packing::Compressed, progress) != 0) {
        error = archive.errorText();
        return false;
    }
    return true;
}
