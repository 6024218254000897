#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "foundation/PathText.h"
#include "macros/MacroSystem.h"
#include "project/ProjectElement.h"
#include "project/PropertyInheritance.h"
#include "xml/XML.h"

namespace {

ProjectElement* add(ProjectElement* parent, const char* tag, const std::string& name = "")
{
    auto* child = new ProjectElement(tag);
    if (!name.empty())
        child->setName(name, false);
    parent->appendChild(child);
    return child;
}

ProjectElement* addFile(ProjectElement* parent, const std::string& fileName)
{
    auto* file = new ProjectElement("file");
    file->setFileName(fileName, false);
    parent->appendChild(file);
    return file;
}

std::vector<std::string> childNames(ProjectElement* parent)
{
    std::vector<std::string> names;
    for (ProjectElement* c = parent->firstChild(); c != nullptr; c = c->nextSibling())
        names.push_back(c->getName());
    return names;
}

} // namespace

TEST(ProjectElement, KindsFollowTagNames)
{
    const char* tags[] = {"solution", "configuration", "project", "folder", "file"};
    for (int kind = 0; kind < 5; ++kind) {
        ProjectElement element(tags[kind]);
        EXPECT_EQ(element.kind(), kind);
        EXPECT_EQ(element.getTagName(), tags[kind]);
        EXPECT_FALSE(element.modified());
        EXPECT_FALSE(element.resolved());
    }
    for (const char* tag : {"import", "Solution", "", "files"}) {
        ProjectElement element(tag);
        EXPECT_EQ(element.kind(), ProjectElement::kUnknown) << tag;
        EXPECT_FALSE(element.getTagName().has_value()) << tag;
    }

    // Detached elements of every kind resolve without a parent to ask.
    for (const char* tag : {"solution", "configuration", "project", "folder", "file", "other"}) {
        ProjectElement element(tag);
        EXPECT_EQ(element.getName(), "<NULL>");
        element.checkDoFileStuff();
        EXPECT_TRUE(element.resolved());
        EXPECT_EQ(element.findChild(ProjectElement::kFile, "x"), nullptr);
        EXPECT_EQ(element.findChild(ProjectElement::kProject, "x"), nullptr);
    }
}

TEST(ProjectElement, KeepsAttributeBookkeeping)
{
    ProjectElement element("folder");
    EXPECT_FALSE(element.attribute("Name").has_value());
    std::time_t before = std::time(nullptr);
    element.setAttribute("Name", "", true);
    EXPECT_EQ(element.attribute("Name"), ""); // empty, not null
    EXPECT_TRUE(element.modified());
    ASSERT_EQ(element.changeTimes().count("Name"), 1u);
    EXPECT_GE(element.changeTimes().at("Name"), before);

    element.setModified(false);
    element.removeAttribute("filter"); // absent: still a recorded change
    EXPECT_TRUE(element.modified());
    EXPECT_EQ(element.changeTimes().count("filter"), 1u);

    // setFileName and setAttributesFrom leave the bookkeeping alone.
    element.setModified(false);
    element.clearChangeTimes();
    element.setFileName("a.c", true);
    Pool pool;
    CurrentPoolScope scope(&pool);
    auto* xml = new XMLElement("folder");
    xml->appendAttribute("Name", "first");
    xml->appendAttribute("filter", "*.c");
    xml->appendAttribute("Name", "second");
    element.setAttributesFrom(xml);
    EXPECT_FALSE(element.modified());
    EXPECT_TRUE(element.changeTimes().empty());
    EXPECT_EQ(element.attribute("Name"), "second");
    EXPECT_EQ(element.attribute("filter"), "*.c");
    EXPECT_EQ(element.attribute("file_name"), "a.c");
}

TEST(ProjectElement, AppendsRemovesAndMapsConfigurations)
{
    ProjectElement root("project");
    ProjectElement* a = add(&root, "folder", "a");
    ProjectElement* common1 = add(&root, "configuration", "Common");
    ProjectElement* b = add(&root, "folder", "b");
    ProjectElement* common2 = add(&root, "configuration", "Common");
    add(&root, "configuration", "Debug");
    EXPECT_EQ(childNames(&root), (std::vector<std::string>{"a", "Common", "b", "Common", "Debug"}));
    EXPECT_EQ(a->parent(), &root);
    EXPECT_EQ(root.numConfigurationElements(), 2);
    EXPECT_EQ(root.configurations().at("Common"), common2); // the later one replaces

    // Removing the mapped configuration falls back to the other of that name.
    root.removeChild(common2);
    EXPECT_EQ(common2->parent(), nullptr);
    EXPECT_EQ(root.configurations().at("Common"), common1);
    delete common2;
    root.removeChild(common1);
    EXPECT_EQ(root.configurations().count("Common"), 0u);
    delete common1;

    // Removing the first and the last child keeps the list appendable.
    ProjectElement* last = root.firstChild()->nextSibling()->nextSibling();
    root.removeChild(last);
    root.removeChild(a);
    root.removeChild(a); // not a child any more: nothing happens
    ProjectElement stranger("folder");
    root.removeChild(&stranger);
    EXPECT_EQ(childNames(&root), (std::vector<std::string>{"b"}));
    root.appendChild(a);
    root.appendChild(last);
    EXPECT_EQ(childNames(&root), (std::vector<std::string>{"b", "a", "Debug"}));
    EXPECT_EQ(b->nextSibling(), a);
    EXPECT_EQ(last->nextSibling(), nullptr);
}

TEST(ProjectElement, FindsTheFirstChildOfANameThroughEveryChange)
{
    ProjectElement folder("folder");
    ProjectElement* x1 = addFile(&folder, "src/x.c");
    ProjectElement* x2 = addFile(&folder, "src/x.c");
    ProjectElement* sub = add(&folder, "folder", "src/x.c");
    ProjectElement* nameless = new ProjectElement("file");
    folder.appendChild(nameless);

    EXPECT_EQ(folder.findChild(ProjectElement::kFile, "src/x.c"), x1);
    EXPECT_EQ(folder.findChild(ProjectElement::kFolder, "src/x.c"), sub);
    EXPECT_EQ(folder.findChild(ProjectElement::kConfiguration, "src/x.c"), nullptr);
    EXPECT_EQ(folder.findChild(ProjectElement::kFile, "x.c"), nullptr); // files by "file_name", not by name

    // Appending after the index exists: a new name enters, a taken one does not.
    ProjectElement* y = addFile(&folder, "y.c");
    addFile(&folder, "src/x.c");
    EXPECT_EQ(folder.findChild(ProjectElement::kFile, "y.c"), y);
    EXPECT_EQ(folder.findChild(ProjectElement::kFile, "src/x.c"), x1);

    // Renaming and removing.
    x1->setFileName("old.c", false);
    EXPECT_EQ(folder.findChild(ProjectElement::kFile, "src/x.c"), x2);
    EXPECT_EQ(folder.findChild(ProjectElement::kFile, "old.c"), x1);
    nameless->setAttribute("file_name", "y.c", false);
    EXPECT_EQ(folder.findChild(ProjectElement::kFile, "y.c"), nameless); // earlier in order than y
    folder.removeChild(nameless);
    delete nameless;
    EXPECT_EQ(folder.findChild(ProjectElement::kFile, "y.c"), y);
    y->removeAttribute("file_name");
    EXPECT_EQ(folder.findChild(ProjectElement::kFile, "y.c"), nullptr);
    sub->setName("lib", false);
    EXPECT_EQ(folder.findChild(ProjectElement::kFolder, "src/x.c"), nullptr);
    EXPECT_EQ(folder.findChild(ProjectElement::kFolder, "lib"), sub);

    // A folder known by its file takes its resolved name only once linked.
    auto* byFile = new ProjectElement("folder");
    byFile->setFileName("/data/inc", false);
    folder.appendChild(byFile);
    EXPECT_EQ(folder.findChild(ProjectElement::kFolder, "inc"), byFile);
}

TEST(ProjectElement, ChildIndexAgreesWithALinearSearch)
{
    // Random appends, renames, removals and moves between two parents; after each
    // step every lookup, and the folder list, must give what a walk of the child
    // list gives.
    ProjectElement parents[2] = {ProjectElement("project"), ProjectElement("folder")};
    std::vector<ProjectElement*> all;
    const char* tags[] = {"file", "folder", "configuration"};
    const int kinds[] = {ProjectElement::kFile, ProjectElement::kFolder, ProjectElement::kConfiguration};
    std::mt19937 random(7);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto someName = [&] { return std::string(1, static_cast<char>('a' + pick(4))); };
    auto rename = [&](ProjectElement* e) {
        if (e->kind() == ProjectElement::kFile)
            pick(2) ? e->setFileName(someName(), false) : e->setAttribute("file_name", someName(), false);
        else
            pick(2) ? e->setName(someName(), false) : e->removeAttribute("Name");
    };

    for (int step = 0; step < 600; ++step) {
        int action = all.empty() ? 0 : pick(4);
        if (action == 0) {
            auto* e = new ProjectElement(tags[pick(3)]);
            rename(e);
            parents[pick(2)].appendChild(e);
            all.push_back(e);
        } else {
            ProjectElement* e = all[pick(static_cast<int>(all.size()))];
            if (action == 1) {
                rename(e);
            } else {
                e->parent()->removeChild(e);
                parents[pick(2)].appendChild(e);
            }
        }
        for (ProjectElement& parent : parents) {
            std::vector<ProjectElement*> folders;
            for (ProjectElement* c = parent.firstChild(); c != nullptr; c = c->nextSibling())
                if (c->kind() == ProjectElement::kFolder)
                    folders.push_back(c);
            ASSERT_EQ(parent.folderChildren(), folders) << "step " << step;
            for (int k : kinds)
                for (const char* name : {"a", "b", "c", "d", "<NULL>"}) {
                    ProjectElement* expected = nullptr;
                    for (ProjectElement* c = parent.firstChild(); c != nullptr && !expected; c = c->nextSibling())
                        if (c->kind() == k && (k == ProjectElement::kFile ? c->attribute("file_name") == name
                                                                           : c->getName() == name))
                            expected = c;
                    ASSERT_EQ(parent.findChild(k, name), expected) << "step " << step << " " << name;
                }
        }
    }
}

TEST(ProjectElement, GetPropertyJoinsValuesAndRecordsWhereTheyCameFrom)
{
    ProjectElement project("project");
    ProjectElement* common = add(&project, "configuration", "Common");
    common->setAttribute("defines", "", false);
    ProjectElement* debug = add(&project, "configuration", "Debug");
    debug->setAttribute("defines", "D", false);
    debug->setAttribute("opt", "1", false);

    std::optional<std::string> value;
    PropertyInheritanceInformation info;
    EXPECT_FALSE(project.getProperty("Release", "opt", value, &info));
    EXPECT_FALSE(project.getProperty("Common", "opt", value, &info));
    EXPECT_FALSE(value.has_value());
    EXPECT_TRUE(info.empty());

    EXPECT_TRUE(project.getProperty("Common", "defines", value, &info));
    EXPECT_EQ(value, ""); // found empty: set, but no separator follows
    EXPECT_TRUE(project.getProperty("Debug", "defines", value, &info));
    EXPECT_EQ(value, "D");
    EXPECT_TRUE(project.getProperty("Debug", "opt", value, nullptr));
    EXPECT_EQ(value, "D;1");
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[0].value, "");
    EXPECT_EQ(info[0].configuration, "Common");
    EXPECT_EQ(info[1].configuration, "Debug");
    EXPECT_EQ(info[1].element, &project);
}

TEST(ProjectElement, InheritanceMapComesFromTheConfigurations)
{
    ProjectElement solution("solution");
    ProjectElement* release = add(&solution, "configuration", "Release");
    release->setAttribute("inherited_configurations", ";Base;;Extra;", false);
    add(&solution, "configuration", "Debug")->setAttribute("inherited_configurations", "", false);
    EXPECT_TRUE(solution.inheritedConfigurations("Release").empty()); // not built yet
    solution.updateInheritenceMap();
    EXPECT_EQ(solution.inheritedConfigurations("Release"), (std::vector<std::string>{"Base", "Extra"}));
    EXPECT_TRUE(solution.inheritedConfigurations("Debug").empty());
    release->removeAttribute("inherited_configurations");
    solution.updateInheritenceMap();
    EXPECT_TRUE(solution.inheritedConfigurations("Release").empty());
}

TEST(ProjectElement, ResolvesFilesAgainstTheProjectDirectory)
{
    macroSystem.setSystemMacro("StudioDir", "/opt/studio");
    ProjectElement solution("solution");
    solution.setPath("/w/s.hzp");

    struct Case {
        const char* projectDirectory; // null: no "Common" configuration
        const char* base;
    };
    for (const Case& c : {Case{nullptr, "/w"}, Case{"", "/w"}, Case{"src", "/w/src"}, Case{"/abs/p", "/abs/p"}}) {
        ProjectElement* project = add(&solution, "project", "p");
        if (c.projectDirectory != nullptr)
            add(project, "configuration", "Common")->setAttribute("project_directory", c.projectDirectory, false);
        ProjectElement* folder = add(project, "folder", "f");
        ProjectElement* file = addFile(folder, "sub/../a.c");
        EXPECT_EQ(file->getName(), "a.c");
        EXPECT_EQ(file->baseDirectory(), c.base);
        EXPECT_EQ(file->path().filePath(), std::string(c.base) + "/a.c");
        EXPECT_EQ(file->writtenFilePath(), "sub/../a.c");
        EXPECT_TRUE(file->inBaseDirectory());
        EXPECT_TRUE(file->underBaseDirectory());
        EXPECT_TRUE(project->resolved());
    }

    ProjectElement* project = solution.firstChild();
    ProjectElement* deeper = addFile(project, "x/y/b.c");
    deeper->checkDoFileStuff();
    EXPECT_FALSE(deeper->inBaseDirectory());
    EXPECT_TRUE(deeper->underBaseDirectory());
    ProjectElement* outside = addFile(project, "../c.c");
    outside->checkDoFileStuff();
    EXPECT_FALSE(outside->underBaseDirectory());

    ProjectElement* studio = addFile(project, "$(StudioDir)/lib/../inc/d.h");
    studio->checkDoFileStuff();
    EXPECT_EQ(studio->path().filePath(), "/opt/studio/inc/d.h");
    EXPECT_EQ(studio->writtenFilePath(), "/opt/studio/inc/d.h");

    // A changed name is resolved again; a changed project directory is not seen
    // until the file is renamed.
    studio->setFileName("e.h", false);
    EXPECT_FALSE(studio->resolved());
    EXPECT_EQ(studio->getName(), "e.h");
    EXPECT_EQ(studio->path().filePath(), "/w/e.h");
}

TEST(ProjectElement, ResolvesWithoutAProjectOrSolution)
{
    ProjectElement solution("solution");
    solution.setPath("/w/s.hzp");
    ProjectElement* loose = addFile(add(&solution, "folder", "f"), "a.c");
    loose->checkDoFileStuff();
    EXPECT_EQ(loose->path().filePath(), "/w/a.c");

    std::string cwd = absolutePath("");
    ProjectElement project("project");
    add(&project, "configuration", "Common")->setAttribute("project_directory", "src", false);
    ProjectElement* file = addFile(&project, "b.c");
    file->checkDoFileStuff();
    EXPECT_EQ(project.baseDirectory(), "src");
    EXPECT_EQ(file->path().filePath(), cwd + "/src/b.c");

    ProjectElement detached("file");
    detached.setFileName("c.c", false);
    EXPECT_EQ(detached.getName(), "c.c");
    EXPECT_EQ(detached.path().filePath(), cwd + "/c.c");
    EXPECT_EQ(detached.writtenFilePath(), "c.c");
}
