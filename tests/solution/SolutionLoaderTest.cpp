#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "project/PropertyFixture.h"
#include "solution/ProjectTemplates.h"
#include "solution/SolutionLoadError.h"
#include "solution/SolutionLoader.h"
#include "support/files.h"

namespace {

using Names = std::vector<std::string>;

std::string solution(const std::string& body, const std::string& root = "solution Name=\"S\" version=\"2\"")
{
    std::string tag = root.substr(0, root.find(' '));
    return "<!DOCTYPE Ambrel_Project_File>\n<" + root + ">" + body + "</" + tag + ">\n";
}

class SolutionLoaderTest : public ::testing::Test, protected propertytest::Model {
protected:
    void put(const std::string& name, const std::string& text) { testsupport::writeFile(at(name), text); }
    std::string at(const std::string& name) const { return dir.path() + "/" + name; }
    // The failure's subject and message as one text, or "loaded".
    std::string load(const std::string& name, ProjectFileNotFoundErrorHandler* files = nullptr,
                     TemplateNotFoundErrorHandler* templates = nullptr)
    {
        try {
            SolutionLoader(system).loadSolution(at(name), files, templates);
            return "loaded";
        } catch (const SolutionLoadError& failure) {
            EXPECT_EQ(system.solutionElement(), nullptr);
            std::string where = failure.parseError() ? "|line " + std::to_string(failure.line()) : "";
            return failure.subject() + "|" + failure.message() + where;
        }
    }

    testsupport::TempDir dir;
};

// The command line shows only the message, and the other load failures are
// checked there; the subject and parse flag are seen here.
TEST_F(SolutionLoaderTest, FailuresNameTheirSubjectAndLeaveNoSolution)
{
    put("broken.hzp", "<!DOCTYPE Ambrel_Project_File>\n<solution>\n<project></solution>");
    std::string deep;
    for (int i = 0; i < SolutionLoader::kMaxNesting; ++i)
        deep = "<folder>" + deep + "</folder>";
    put("deep.hzp", solution(deep));

    EXPECT_EQ(load("broken.hzp"), at("broken.hzp") + "|tagName mismatch|line 2");
    EXPECT_EQ(load("deep.hzp"), at("deep.hzp") + "| nests elements more than 256 deep");
}

TEST_F(SolutionLoaderTest, HandlersMayRescueAMissingFileOrTemplateName)
{
    struct CreateFile : ProjectFileNotFoundErrorHandler {
        bool retry(const std::string& path) override
        {
            testsupport::writeFile(path, solution("", "solution Name=\"Late\" version=\"2\""));
            return true;
        }
    } files;
    struct NameTemplate : TemplateNotFoundErrorHandler {
        bool retry(ProjectTemplates* templates, const std::string& project, std::string& name) override
        {
            EXPECT_EQ(project, "p");
            EXPECT_EQ(templates->listTemplates(), Names{"T"});
            name = "T";
            return true;
        }
    } templates;
    macroSystem.setSystemMacro("TargetsDir", dir.path());
    put("project_templates.xml", "<t><project template_name=\"T\" type=\"Library\"/></t>");
    put("s.hzp", solution("<project Name=\"p\" template_name=\"\"/><import file_name=\"late.hzp\"/>"));

    ASSERT_EQ(load("s.hzp", &files, &templates), "loaded");
    EXPECT_EQ(system.solutionNames(), (Names{"Late", "S"}));
    ProjectElement* project = system.solutionElement()->firstChild();
    EXPECT_FALSE(project->hasAttribute("template_name"));
    EXPECT_EQ(system.getProjectType(project), "Library");
}

} // namespace
