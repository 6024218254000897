#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "macros/MacroSystem.h"
#include "project/ProjectContext.h"
#include "project/ProjectSystem.h"
#include "project/PropertyFixture.h"

using propertytest::add;

namespace {

// A fresh project model with the base project system.
struct Model {
    MacroSystem macroSystem;
    ProjectContext context{macroSystem};
    ProjectSystem system{context};
};

std::vector<std::string> fileNames(ProjectElement* parent)
{
    std::vector<std::string> names;
    for (ProjectElement* c = parent->firstChild(); c != nullptr; c = c->nextSibling())
        if (c->kind() == ProjectElement::kFile)
            names.push_back(c->attribute("file_name").value_or("?"));
    return names;
}

using Names = std::vector<std::string>;

} // namespace

TEST(ProjectTree, AddsFilesToTheFirstFolderWhoseFilterListsTheExtension)
{
    Model model;
    ProjectSystem& system = model.system;
    ProjectElement project("project");
    ProjectElement* source = add(&project, "folder", "Source");
    source->setAttribute("filter", "c;cpp", false);
    ProjectElement* headers = system.createFolder(&project, "Headers", "h", false); // filter as a property
    EXPECT_EQ(system.createFolder(&project, "Headers", "c", false), headers);       // found, not changed
    ProjectElement* more = add(&project, "folder", "More");
    more->setAttribute("filter", ";s,,asm;c", false);

    struct Case {
        const char* name;
        ProjectElement* expected;
    };
    for (const Case& c :
         {Case{"main.CPP", source}, Case{"inc/x.h", headers}, Case{"boot.S", more}, Case{"init.asm", more},
          Case{"Makefile", &project}, Case{"dir.h/readme", &project}, Case{"trailing.", &project}}) {
        ProjectElement* file = system.addFile(&project, c.name, true);
        EXPECT_EQ(file->parent(), c.expected) << c.name;
        EXPECT_EQ(system.findFile(c.expected, c.name), file);
    }
    // Added to a folder, a file stays there whatever its extension.
    EXPECT_EQ(system.addFile(headers, "x.c", false)->parent(), headers);
    EXPECT_EQ(fileNames(headers), (Names{"inc/x.h", "x.c"}));
}

TEST(ProjectTree, ClearsModifiedFlagsAndChangeTimes)
{
    Model model;
    ProjectSystem& system = model.system;
    ProjectElement root("solution");
    root.setName("Main", false);
    ProjectElement* project = add(&root, "project", "p");
    ProjectElement* folder = add(project, "folder", "f");
    ProjectElement* nested = add(&root, "solution", "Sub");
    ProjectElement* inner = add(nested, "project", "q");
    for (ProjectElement* e : {&root, project, folder, nested, inner})
        ASSERT_TRUE(e->modified() && !e->changeTimes().empty());

    system.clearModified(&root, false, true);
    EXPECT_FALSE(root.modified());
    EXPECT_FALSE(root.changeTimes().empty()); // the element itself keeps its times
    EXPECT_FALSE(project->modified() || folder->modified());
    EXPECT_TRUE(project->changeTimes().empty() && folder->changeTimes().empty());
    EXPECT_TRUE(nested->modified() && inner->modified()); // solutions skipped with all below
    EXPECT_FALSE(nested->changeTimes().empty() || inner->changeTimes().empty());

    system.clearModified(&root, true, false);
    EXPECT_FALSE(nested->modified() || inner->modified());
    EXPECT_FALSE(inner->changeTimes().empty());
}

TEST(ProjectTree, IndexesProjectsOfNestedSolutions)
{
    Model model;
    ProjectSystem& system = model.system;
    auto owned = std::make_unique<ProjectElement>("solution");
    ProjectElement* root = owned.get();
    root->setName("Main", false);
    system.setSolutionElement(std::move(owned));
    add(root, "project", "app");
    add(root, "project", "lib");
    ProjectElement* lib2 = add(root, "project", "lib"); // a later key replaces an earlier one
    add(root, "folder", "notes");
    ProjectElement* sub = add(root, "solution", "Sub");
    ProjectElement* subApp = add(sub, "project", "app");
    system.createConfiguration(sub, "Release", false)->setAttribute("inherited_configurations", "Base;Extra", false);
    ProjectElement* deep = add(sub, "solution", "Deep");
    ProjectElement* x = add(deep, "project", "x");

    system.updateProjectList();
    EXPECT_EQ(system.projectNames(), (Names{"app", "app(Sub)", "lib", "x(Sub,Deep)"}));
    EXPECT_EQ(system.solutionNames(), (Names{"Deep", "Main", "Sub", "Sub,Deep"}));
    EXPECT_EQ(root->projects().at("lib"), lib2);
    EXPECT_EQ(root->projects().at("app(Sub)"), subApp);
    EXPECT_EQ(sub->projects().size(), 2u);
    EXPECT_EQ(sub->projects().at("x(Deep)"), x);
    EXPECT_EQ(deep->projects().at("x"), x);
    EXPECT_EQ(system.findSolution("Sub,Deep"), deep);
    EXPECT_EQ(sub->inheritedConfigurations("Release"), (Names{"Base", "Extra"}));

    // Removing a solution or project reindexes; a kept element belongs to the caller.
    system.removeElement(sub, true);
    EXPECT_EQ(system.projectNames(), (Names{"app", "lib"}));
    EXPECT_EQ(system.solutionNames(), (Names{"Main"}));
    system.removeElement(lib2, false);
    EXPECT_EQ(lib2->parent(), nullptr);
    EXPECT_EQ(system.projectNames(), (Names{"app", "lib"})); // the first "lib" again
    delete lib2;
    system.removeElement(root, true);
    EXPECT_EQ(system.solutionElement(), nullptr);
    EXPECT_TRUE(system.projectNames().empty() && system.solutionNames().empty());
}
