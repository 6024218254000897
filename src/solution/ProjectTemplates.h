#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "project/ProjectContext.h"
#include "xml/XmlPP2.h"

class ProjectElement;

// The templates file: "$(TargetsDir)/project_templates.xml" expanded with the system macros.
std::string projectTemplatesFile(const MacroSystem& macros);

// The project templates file, loaded and preprocessed, with its templates and
// build configurations indexed by name. The root's tag is not looked at; every
// "project" element with a "template_name", at any depth, is a template, and
// every child element of a "configurations" element is a configuration named
// by its "name". A later one of a name replaces an earlier one.
//
//   <projects>
//     <project template_name="Executable" type="Executable">
//       <folder name="Source Files" filter="c;h">           (folders and files nest)
//         <file name="$(StudioDir)/src/crt0.asm" expand="no"/>
//       </folder>
//       <property name="linker_output_format" value="hex" configuration="Release" expand="yes"/>
//       <propertygroup name="Target" value="MSP430F149"/>
//       <configuration name="Debug"/>
//     </project>
//     <configurations>
//       <configuration name="Debug">                         (any tag)
//         <property name="inherited_configurations" value="Common"/>
//         <property name="build_debug_information" value="Yes"/>
//       </configuration>
//     </configurations>
//   </projects>
//
// Completing a project from a template never overwrites what the project or the
// solution already has. Content without the attributes it needs is skipped
// silently. Without a project system in the context nothing is completed; without a build
// system, names and values are expanded with the system and global macros only.
class ProjectTemplates : public XMLPP2 {
public:
    // Template content nested deeper than this (a folder in a folder, a file in
    // a file, ...) is skipped: the solution tree's own walks, destruction among
    // them, recurse once per level, so a templates file must not be able to grow
    // the tree without bound. Real templates nest a few levels.
    static constexpr std::size_t kMaxContentDepth = 256;

    // Loads and indexes projectTemplatesFile(); a file that cannot be read or
    // parsed leaves both indexes empty, without a message. Completes projects
    // through the context's project and build systems and property groups.
    explicit ProjectTemplates(ProjectContext& context);
    ~ProjectTemplates() override;

    // Null when there is none of that name.
    XMLElement* findTemplate(const std::string& name);
    XMLElement* findConfiguration(const std::string& name);
    // Every template name, in byte order.
    std::vector<std::string> listTemplates();

    // Remembers `solution` and `project`, sets the project's "project_type" in
    // "Common" to the template's "type" (empty when absent), and applies the
    // template's content to the project.
    void createProjectFromTemplate(ProjectElement* solution, ProjectElement* project, XMLElement* templateElement);
    // Applies the template content element `first` and its following sibling
    // elements to `current`; the chain ends at the first node that is no element.
    void createFromTemplate(ProjectElement* current, XMLElement* first);
    // Creates or completes the solution's configuration `name` from the
    // configuration of that name, and through its "inherited_configurations"
    // the configurations it inherits. A value the solution's configuration
    // already holds differently goes into the project's configuration instead.
    // An unknown name does nothing.
    void createConfiguration(ProjectElement* solution, ProjectElement* project, const std::string& name);

    // Writes the message as one line on the standard error stream.
    void warning(const std::string& message) override;

private:
    void createMaps(XMLElement* root);
    // Expands with the build macros of `element` in "Common".
    std::string expandMacros(ProjectElement* element, const std::string& value) const;
    // Applies one content element to `current`; the folder or file whose
    // content the element's children are, or null.
    ProjectElement* apply(ProjectElement* current, XMLElement* element);
    ProjectElement* applyFolder(ProjectElement* current, XMLElement* element);
    ProjectElement* applyFile(ProjectElement* current, XMLElement* element);
    void applyProperty(ProjectElement* current, XMLElement* element);
    void applyPropertyGroup(ProjectElement* current, XMLElement* element);

    ProjectContext& context_;
    ProjectElement* solution_ = nullptr;
    ProjectElement* project_ = nullptr;
    std::map<std::string, XMLElement*> templates_;
    std::map<std::string, XMLElement*> configurations_;
};
