// What solution mode pays before it reads a solution: the environment with its
// settings file and properties, then the project system and the build system
// with every property of the toolchain. The whole process should start in well
// under 20 ms; these objects get 5 ms of it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "environment/EnvironmentSettings.h"
#include "macros/MacroSystem.h"
#include "project/MSP430BuildSystem.h"
#include "project/MSP430ProjectSystem.h"

namespace {

// A home directory whose settings file holds a few dozen entries, as a user's would.
class ScratchHome {
public:
    ScratchHome()
    {
        char pattern[] = "/tmp/mkpkg-startup.XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        home_ = pattern;
        setenv("HOME", home_.c_str(), 1);
        const std::string dir = studioLocalDataDir();
        std::filesystem::create_directories(dir);
        FILE* file = std::fopen((dir + "/settings.xml").c_str(), "w");
        std::fputs("<!DOCTYPE Lathmark_Settings_File>\n<settings>\n", file);
        std::fputs("  <setting name=\"Environment/Macros/Global Macros\">Board=F449;Tools=/opt/msp430</setting>\n",
                   file);
        for (int i = 0; i < 40; ++i)
            std::fprintf(file, "  <setting name=\"Text Editor/Option %d\">value %d</setting>\n", i, i);
        std::fputs("</settings>\n", file);
        std::fclose(file);
    }
    ~ScratchHome() { std::filesystem::remove_all(home_); }

private:
    std::string home_;
};

void BM_EnvironmentProjectAndBuildSystems(benchmark::State& state)
{
    ScratchHome home;
    for (auto _ : state) {
        MacroSystem macroSystem;
        auto settings = std::make_unique<EnvironmentSettings>(macroSystem);
        settings->createEntries();
        ProjectContext context(macroSystem);
        context.projectSystem = std::make_unique<MSP430ProjectSystem>(context);
        context.buildSystem = std::make_unique<MSP430BuildSystem>(context, "");
        benchmark::DoNotOptimize(macroSystem.globalMacros(true).size());
        // Destroying the environment saves its file, which solution mode never does.
        state.PauseTiming();
        settings.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EnvironmentProjectAndBuildSystems)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
