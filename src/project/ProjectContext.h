#pragma once

#include <functional>
#include <memory>
#include <string>

class BuildSystem;
class MacroSystem;
class ProjectSystem;
class PropertyValueGroups;
class StringProvider;

// Takes one warning line (without its newline) that the project files gave rise to.
using WarningSink = std::function<void(const std::string&)>;

// Writes `text` and a newline to `sink`, or to the standard error stream when it is empty.
void projectWarning(const WarningSink& sink, const std::string& text);

// The objects of the project model that its classes reach one another through:
// the macro system of the floor below, the one project system and build system
// (each made with this context, so they find each other here), the property
// group files and the display texts. The session owns one; a test makes its own.
struct ProjectContext {
    explicit ProjectContext(MacroSystem& macros);
    ~ProjectContext();
    ProjectContext(const ProjectContext&) = delete;
    ProjectContext& operator=(const ProjectContext&) = delete;

    MacroSystem& macroSystem;
    // Only an interactive front end has display texts; in the tool it stays null.
    const StringProvider* stringProvider = nullptr;
    std::unique_ptr<ProjectSystem> projectSystem;
    // Declared after the project system, so that it goes first.
    std::unique_ptr<BuildSystem> buildSystem;
    // Made and owned by the standard project system; null without one.
    PropertyValueGroups* propertyValueGroups = nullptr;
    // Where the preprocessor's and the property groups' warnings go; empty: the
    // standard error stream, byte for byte.
    WarningSink warn;
};
