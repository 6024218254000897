#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "foundation/PathText.h"
#include "macros/MacroSystem.h"
#include "project/ProjectElement.h"
#include "project/PropertyFixture.h"

using propertytest::add;

TEST(ProjectElement, MapsConfigurationsThroughAppendsAndRemovals)
{
    ProjectElement root("project");
    ProjectElement* common1 = add(&root, "configuration", "Common");
    ProjectElement* common2 = add(&root, "configuration", "Common");
    ProjectElement* debug = add(&root, "configuration", "Debug");
    EXPECT_EQ(root.numConfigurationElements(), 2);
    EXPECT_EQ(root.configurations().at("Common"), common2); // the later one replaces

    // The map never keeps a removed child; another of that name takes its place.
    root.removeChild(common2);
    EXPECT_EQ(root.configurations().at("Common"), common1);
    delete common2;
    root.removeChild(common1);
    EXPECT_EQ(root.configurations().count("Common"), 0u);
    // Removing the last child keeps the list appendable at its end.
    root.removeChild(debug);
    root.appendChild(common1);
    root.appendChild(debug);
    EXPECT_EQ(root.firstChild(), common1);
    EXPECT_EQ(common1->nextSibling(), debug);
    EXPECT_EQ(root.configurations().size(), 2u);
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
                        if (c->kind() == k &&
                            (k == ProjectElement::kFile ? c->attribute("file_name") == name : c->getName() == name))
                            expected = c;
                    ASSERT_EQ(parent.findChild(k, name), expected) << "step " << step << " " << name;
                }
        }
    }
}

TEST(ProjectElement, ResolvesFilesAgainstTheProjectDirectory)
{
    MacroSystem macros;
    macros.setSystemMacro("StudioDir", "/opt/studio");
    ProjectElement solution("solution", &macros);
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
        ProjectElement* file = add(folder, "file", "sub/../a.c");
        EXPECT_EQ(file->getName(), "a.c");
        EXPECT_EQ(file->baseDirectory(), c.base);
        EXPECT_EQ(file->path().filePath(), std::string(c.base) + "/a.c");
        EXPECT_EQ(file->writtenFilePath(), "sub/../a.c");
        EXPECT_TRUE(file->inBaseDirectory() && file->underBaseDirectory());
    }

    ProjectElement* project = solution.firstChild();
    ProjectElement* deeper = add(project, "file", "x/y/b.c");
    deeper->checkDoFileStuff();
    EXPECT_TRUE(!deeper->inBaseDirectory() && deeper->underBaseDirectory());
    ProjectElement* outside = add(project, "file", "../c.c");
    outside->checkDoFileStuff();
    EXPECT_FALSE(outside->underBaseDirectory());

    ProjectElement* studio = add(project, "file", "$(StudioDir)/lib/../inc/d.h");
    studio->checkDoFileStuff();
    EXPECT_EQ(studio->path().filePath(), "/opt/studio/inc/d.h");
    EXPECT_EQ(studio->writtenFilePath(), "/opt/studio/inc/d.h");

    // A changed name is resolved again.
    studio->setFileName("e.h", false);
    EXPECT_FALSE(studio->resolved());
    EXPECT_EQ(studio->getName(), "e.h");
    EXPECT_EQ(studio->path().filePath(), "/w/e.h");
}

TEST(ProjectElement, ResolvesWithoutAProjectOrSolution)
{
    ProjectElement solution("solution");
    solution.setPath("/w/s.hzp");
    ProjectElement* loose = add(add(&solution, "folder", "f"), "file", "a.c");
    EXPECT_EQ(loose->getName(), "a.c");
    EXPECT_EQ(loose->path().filePath(), "/w/a.c");

    std::string cwd = absolutePath("");
    ProjectElement project("project");
    add(&project, "configuration", "Common")->setAttribute("project_directory", "src", false);
    ProjectElement* file = add(&project, "file", "b.c");
    file->checkDoFileStuff();
    EXPECT_EQ(file->path().filePath(), cwd + "/src/b.c");
    ProjectElement detached("file");
    detached.setFileName("c.c", false);
    detached.checkDoFileStuff();
    EXPECT_EQ(detached.path().filePath(), cwd + "/c.c");
}
