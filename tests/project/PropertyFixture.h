// A small solution built in code for the property tests:
//   solution /w/s.hzp > project "p" > folder "src" > file "src/main.c"
#pragma once

#include <memory>
#include <string>

#include "project/ProjectElement.h"
#include "project/MSP430ProjectSystem.h"

namespace propertytest {

struct SampleSolution {
    MSP430ProjectSystem system;
    ProjectElement* solution = nullptr;
    ProjectElement* project = nullptr;
    ProjectElement* folder = nullptr;
    ProjectElement* file = nullptr;

    explicit SampleSolution(const std::string& solutionFile = "/w/s.hzp")
    {
        projectSystem = &system;
        auto root = std::make_unique<ProjectElement>("solution");
        root->setFileName(solutionFile, false);
        solution = root.get();
        project = new ProjectElement("project");
        project->setName("p", false);
        solution->appendChild(project);
        folder = new ProjectElement("folder");
        folder->setName("src", false);
        project->appendChild(folder);
        file = new ProjectElement("file");
        file->setFileName("src/main.c", false);
        folder->appendChild(file);
        system.setSolutionElement(std::move(root));
    }
    ~SampleSolution() { projectSystem = nullptr; }

    void set(ProjectElement* element, const std::string& configuration, const std::string& name,
             const std::string& value)
    {
        system.setProperty(element, name, configuration, value, false);
    }
    // Records that `configuration` inherits `list` (";"-separated) at the solution.
    void inherit(const std::string& configuration, const std::string& list)
    {
        set(solution, configuration, "inherited_configurations", list);
        solution->updateInheritenceMap();
    }
};

} // namespace propertytest
