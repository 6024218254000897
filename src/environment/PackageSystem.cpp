#include "environment/PackageSystem.h"

#include <filesystem>
#include <string_view>
#include <sys/stat.h>

#include "foundation/AtomicFile.h"
#include "foundation/HException.h"
#include "foundation/Path.h"
#include "macros/MacroSystem.h"

namespace {

constexpr std::string_view kProjectTemplatesStub =
    "<!DOCTYPE Project_Templates_File>\n"
    "<projects>\n"
    "  <include filename=\"$(StudioDir)/targets/project_templates.xml\" no_root=\"1\" />\n"
    "</projects>\n";

constexpr std::string_view kFrequenciesStub = "<envelope>\n"
                                              "  <include filename=\"$(StudioDir)/targets/frequencies.xml\" />\n"
                                              "</envelope>\n";

// Later runs keep any file that exists, so a stub appears only complete: it is
// written beside its place and renamed there at the end.
void writeStubOnce(const std::string& file, std::string_view text)
{
    struct stat status {};
    if (stat(file.c_str(), &status) == 0)
        return;
    AtomicFile out(file);
    if (!out.create() || !out.put(reinterpret_cast<const unsigned char*>(text.data()), text.size()) || !out.commit())
        throw HException("cannot create " + file);
}

} // namespace

void PackageSystem::setupPackageMacros(MacroSystem& macroSystem, const std::string& packagesDirectory)
{
    const Path packages(macroSystem.replaceMacros(macroSystem.systemMacros(), packagesDirectory));
    const Path targets = packages + "/targets";
    const Path samples = packages + "/samples";
    macroSystem.setSystemMacroPath("PackagesDir", packages);
    macroSystem.setSystemMacroPath("TargetsDir", targets);
    macroSystem.setSystemMacroPath("SamplesDir", samples);
    // Unchecked: a directory that cannot be made shows up as a stub that cannot be written.
    std::error_code ignored;
    std::filesystem::create_directories(targets.osPathQString(), ignored);
    writeStubOnce(targets.osPathQString() + "/project_templates.xml", kProjectTemplatesStub);
    writeStubOnce(targets.osPathQString() + "/frequencies.xml", kFrequenciesStub);
}
