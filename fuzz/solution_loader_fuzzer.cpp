// Loads arbitrary bytes as a solution file that may import a second fuzzed
// file, completing its projects from a small fixed templates file, and packages
// what loaded, as solution mode does. The bytes before the first NUL form
// "s.hzp", the solution; the bytes after it "b.hzp", which s.hzp (or b.hzp
// itself) may import. A few real files lie beside them for file elements and
// dynamic folders to name.
//
// What must hold: a load ends either with a solution or with a
// SolutionLoadError and no solution; packaging writes its output exactly when
// it reports success and leaves nothing else behind. Any other exception, any
// crash, hang, leak or sanitizer report is a bug.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "macros/MacroSystem.h"
#include "project/ProjectSystem.h"
#include "scratch.h"
#include "solution/SolutionLoadError.h"
#include "solution/SolutionLoader.h"
#include "solution/SolutionPackaging.h"
#include "tool/Session.h"
#include "tool/SolutionMode.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxInput = 8 * 1024;

constexpr const char* kTemplates = R"(<!DOCTYPE Project_Templates_File>
<projects>
  <project template_name="Exe" type="Executable">
    <folder name="Source Files" filter="c;h">
      <file name="$(StudioDir)/src/crt0.asm" expand="no"/>
      <file name="$(ProjectDir)/src/main.c"/>
      <folder name="Drivers">
        <file name="src/led.c"/>
      </folder>
    </folder>
    <property name="build_intermediate_directory" value="$(Configuration)/obj"/>
    <property name="linker_output_format" value="hex" configuration="Release" expand="yes"/>
    <propertygroup name="Target" value="MSP430F149"/>
    <configuration name="Debug"/>
    <configuration name="Release"/>
  </project>
  <project template_name="Lib" type="Library">
    <folder name="Header Files" filter="h"/>
    <configuration name="Debug"/>
  </project>
  <include filename="configurations.xml"/>
</projects>
)";

constexpr const char* kConfigurations = R"(<configurations>
  <configuration name="Common">
    <property name="build_quietly" value="Yes"/>
  </configuration>
  <configuration name="Debug">
    <property name="inherited_configurations" value="Common"/>
    <property name="c_preprocessor_definitions" value="DEBUG"/>
  </configuration>
  <configuration name="Release">
    <property name="inherited_configurations" value="Common;Debug"/>
    <property name="c_preprocessor_definitions" value="NDEBUG"/>
  </configuration>
</configurations>
)";

// The default property groups file: the template's "Target" group and the
// conversion of older files choose an entry of it.
constexpr const char* kPropertyGroups = R"(<groups>
  <group name="Target" group="Target" short="Target Processor" default="MSP430F149">
    <groupEntry name="MSP430F149">
      <property name="linker_memory_map_file" value="$(PackagesDir)/targets/msp430/MSP430F149.xml"/>
    </groupEntry>
    <groupEntry name="MSP430F449">
      <property name="linker_memory_map_file" value="$(PackagesDir)/targets/msp430/MSP430F449.xml"/>
      <property name="c_preprocessor_definitions" configuration="Debug" value="F449"/>
    </groupEntry>
  </group>
</groups>
)";

std::string scratch(const char* relative)
{
    return std::string(fuzz::scratchDir()) + "/" + relative;
}

void writeText(const std::string& path, std::string_view text)
{
    fs::create_directories(fs::path(path).parent_path());
    fuzz::writeInput(path.c_str(), reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// Every name the input can form must stay in the scratch directory, whose
// installation and home the only macros allowed name: no "..", no character
// references (which could spell one), no other macro (an unknown one with a
// default, or an empty one, could make a name absolute or glue dots together),
// and no "/" that could begin a name: one must follow a name character, a
// closing parenthesis or "<", or come before ">".
bool staysInScratch(std::string_view text)
{
    static constexpr std::string_view kAllowed[] = {"$(StudioDir)", "$(StudioUserDir)", "$(TargetsDir)"};
    if (text.find("..") != text.npos || text.find("&#") != text.npos)
        return false;
    for (std::size_t i = text.find("$("); i != text.npos; i = text.find("$(", i + 1)) {
        bool known = false;
        for (std::string_view macro : kAllowed)
            known = known || text.substr(i, macro.size()) == macro;
        if (!known)
            return false;
    }
    for (std::size_t i = text.find('/'); i != text.npos; i = text.find('/', i + 1)) {
        const char before = i > 0 ? text[i - 1] : '\0';
        const bool named = std::isalnum(static_cast<unsigned char>(before)) || before == '_' || before == '-' ||
                           before == '.' || before == ')';
        const bool markup = before == '<' || (i + 1 < text.size() && text[i + 1] == '>');
        if (!named && !markup)
            return false;
    }
    return true;
}

const std::set<std::string> kInputEntries = {"s.hzp", "b.hzp", "s_package.xml", "src", "include"};

// Only the inputs, the fixed files and (when packaging succeeded) the package.
bool onlyExpectedEntries(const std::string& directory, bool packaged)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename();
        if (kInputEntries.count(name) == 0 && !(packaged && name == "out.hzr"))
            return false;
    }
    return !error;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::discardOutputAndEnterScratchDir();
    // A fake installation and home, set up once as solution mode sets up its own.
    writeText(scratch("inst/bin/mkpkg"), "");
    writeText(scratch("inst/targets/project_templates.xml"), kTemplates);
    writeText(scratch("inst/targets/configurations.xml"), kConfigurations);
    writeText(scratch("inst/src/crt0.asm"), "; start-up\n");
    fs::create_directories(scratch("home"));
    setenv("HOME", scratch("home").c_str(), 1);
    {
        HReporter reporter("mkpkg", stderr);
        Session session(reporter, Invocation{});
        startProjectModel(session, scratch("inst/bin/mkpkg").c_str());
        const MacroSystem& macros = session.macroSystem;
        writeText(macros.replaceMacros(macros.systemMacros(), "$(TargetsDir)/msp430/propertyGroups.xml"),
                  kPropertyGroups);
    }

    writeText(scratch("in/src/main.c"), "int main(void) { return 0; }\n");
    writeText(scratch("in/src/led.c"), "void led(void) {}\n");
    writeText(scratch("in/include/led.h"), "void led(void);\n");
    writeText(scratch("in/s_package.xml"), "<package name=\"s\"/>\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (size > kMaxInput || !staysInScratch(text))
        return 0;
    const std::size_t split = std::min(text.find('\0'), text.size());
    const std::string in = scratch("in");
    const std::string solutionFile = in + "/s.hzp";
    const std::string output = in + "/out.hzr";
    writeText(solutionFile, text.substr(0, split));
    writeText(in + "/b.hzp", split < size ? text.substr(split + 1) : std::string_view());
    fs::remove(output);

    // A fresh session for each input, brought up as solution mode brings up its own.
    HReporter reporter("mkpkg", stderr);
    Session session(reporter, Invocation{});
    startProjectModel(session, scratch("inst/bin/mkpkg").c_str());
    ProjectSystem* system = session.project.projectSystem.get();
    bool loaded = true;
    try {
        SolutionLoader(*system).loadSolution(solutionFile, nullptr, nullptr);
    } catch (const SolutionLoadError&) {
        loaded = false;
    }
    fuzz::check(loaded == (system->solutionElement() != nullptr),
                "a solution is loaded exactly when no error ended the load");
    bool packaged = false;
    if (loaded) {
        std::string error;
        packaged = packageSolution(system->solutionElement(), output, in + "/s_package.xml", error);
        fuzz::check(packaged || !error.empty(), "a failed packaging says why");
    }
    fuzz::check(fs::exists(output) == packaged, "the package exists exactly when packaging succeeded");
    fuzz::check(onlyExpectedEntries(in, packaged), "loading and packaging leave no other file behind");
    return 0;
}
