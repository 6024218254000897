// What solution mode pays before it reads a solution: the project system and
// the build system with every property of the toolchain. The whole process
// should start in well under 20 ms; these objects get 5 ms of it.
#include <benchmark/benchmark.h>

#include "project/MSP430BuildSystem.h"
#include "project/MSP430ProjectSystem.h"

namespace {

void BM_ProjectAndBuildSystems(benchmark::State& state)
{
    for (auto _ : state) {
        MSP430ProjectSystem system;
        MSP430BuildSystem build;
        benchmark::DoNotOptimize(build.findPropertyClass("linker_output_format"));
    }
}
BENCHMARK(BM_ProjectAndBuildSystems)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
