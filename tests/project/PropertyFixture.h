// Project models built in code for the project and solution tests. The sample
// solution is
//   solution /w/s.hzp > project "p" > folder "src" > file "src/main.c"
#pragma once

#include <memory>
#include <string>

#include "macros/MacroSystem.h"
#include "project/MSP430BuildSystem.h"
#include "project/MSP430ProjectSystem.h"
#include "project/ProjectContext.h"
#include "project/ProjectElement.h"

namespace propertytest {

// A plain element appended to `parent`, named by its file name if it is a file.
inline ProjectElement* add(ProjectElement* parent, const char* tag, const std::string& name)
{
    auto* child = new ProjectElement(tag);
    child->kind() == ProjectElement::kFile ? child->setFileName(name, false) : child->setName(name, false);
    parent->appendChild(child);
    return child;
}

// An empty model with the toolchain's project system.
struct Model {
    MacroSystem macroSystem;
    ProjectContext context{macroSystem};
    MSP430ProjectSystem& system{makeProjectSystem(context)};

private:
    static MSP430ProjectSystem& makeProjectSystem(ProjectContext& context)
    {
        context.projectSystem = std::make_unique<MSP430ProjectSystem>(context);
        return static_cast<MSP430ProjectSystem&>(*context.projectSystem);
    }
};

struct SampleSolution : Model {
    ProjectElement* solution = nullptr;
    ProjectElement* project = nullptr;
    ProjectElement* folder = nullptr;
    ProjectElement* file = nullptr;

    explicit SampleSolution(const std::string& solutionFile = "/w/s.hzp")
    {
        std::unique_ptr<ProjectElement> root = system.newElement("solution");
        root->setFileName(solutionFile, false);
        solution = root.get();
        project = add(solution, "project");
        project->setName("p", false);
        folder = add(project, "folder");
        folder->setName("src", false);
        file = add(folder, "file");
        file->setFileName("src/main.c", false);
        system.setSolutionElement(std::move(root));
    }

    // A new element of the model, appended to `parent`.
    ProjectElement* add(ProjectElement* parent, const std::string& tagName)
    {
        ProjectElement* child = system.newElement(tagName).release();
        parent->appendChild(child);
        return child;
    }

    // Makes a `T` the model's build system, reading "build_options.xml" in `programDirectory`.
    template <class T = MSP430BuildSystem> T& useBuildSystem(const std::string& programDirectory = "")
    {
        auto made = std::make_unique<T>(context, programDirectory);
        T& build = *made;
        context.buildSystem = std::move(made);
        return build;
    }

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
