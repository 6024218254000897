// Path is a plain value: copying one copies its text. This measures what that
// costs against a reference-counted handle to shared data, on the pattern the
// packager follows (a path made from text, normalised, copied once, compared).
#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "foundation/Path.h"

namespace {

const std::string kText = "/home/user/projects/blinky/./src/../src/drivers/uart/uart_interrupts.c";

// The shared alternative: one heap block holding a count and the text, copies
// share it and the last owner frees it.
class SharedPath {
public:
    explicit SharedPath(const std::string& text) : data_(new Data{1, text}) { Path::removeRelativePaths(data_->text); }
    SharedPath(const SharedPath& other) : data_(other.data_) { ++data_->references; }
    SharedPath& operator=(const SharedPath&) = delete;
    // Out of line: inlined into the loop, it draws a false use-after-free warning from g++ 12.
    [[gnu::noinline]] ~SharedPath()
    {
        if (--data_->references == 0)
            delete data_;
    }
    bool operator==(const SharedPath& other) const { return data_ == other.data_ || data_->text == other.data_->text; }

private:
    struct Data {
        int references;
        std::string text;
    };
    Data* data_;
};

template <typename PathType> void BM_MakeCopyCompare(benchmark::State& state)
{
    for (auto _ : state) {
        PathType path(kText);
        PathType copy(path);
        benchmark::DoNotOptimize(path == copy);
    }
}

void BM_Copy(benchmark::State& state)
{
    const Path path(kText);
    for (auto _ : state) {
        Path copy(path);
        benchmark::DoNotOptimize(copy);
    }
}

} // namespace

BENCHMARK(BM_MakeCopyCompare<Path>);
BENCHMARK(BM_MakeCopyCompare<SharedPath>);
BENCHMARK(BM_Copy);

BENCHMARK_MAIN();
