// The package codec against plain zlib over real source text: the headers under
// /usr/include read into memory (32 MiB of them; 3 MiB when MKPKG_BENCH_SMOKE is
// set), or generated C text where they are missing. Deflate in pieces inline
// and on two workers against zlib level 6, inflate (with the strict check of
// every piece) against zlib's, and the whole wrapper written from a file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "package/Deflater.h"
#include "package/Inflater.h"
#include "package/LibraryOnly.h"

namespace {

struct CountingSink : ByteSink {
    std::size_t bytes = 0;
    bool put(const unsigned char*, std::size_t size) override
    {
        bytes += size;
        return true;
    }
};

const std::string& corpus()
{
    static const std::string text = [] {
        const std::size_t limit = std::getenv("MKPKG_BENCH_SMOKE") ? 3u << 20 : 32u << 20;
        std::string all;
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator("/usr/include", error);
             !error && it != std::filesystem::recursive_directory_iterator() && all.size() < limit;
             it.increment(error)) {
            if (!it->is_regular_file(error))
                continue;
            std::ifstream in(it->path(), std::ios::binary);
            all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        for (int i = 0; all.size() < limit; ++i)
            all += "extern int symbol" + std::to_string(i % 7919) + "(const char *name, unsigned flags);\n";
        all.resize(limit);
        return all;
    }();
    return text;
}

const unsigned char* bytes(const std::string& text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

std::string deflateToString(const std::string& plain)
{
    struct StringSink : ByteSink {
        std::string out;
        bool put(const unsigned char* data, std::size_t size) override
        {
            out.append(reinterpret_cast<const char*>(data), size);
            return true;
        }
    } sink;
    Deflater deflater(sink);
    deflater.put(bytes(plain), plain.size());
    deflater.finish();
    return sink.out;
}

// A stream in a file, as packages are read.
FILE* streamFile()
{
    static const std::string stream = deflateToString(corpus());
    FILE* file = std::tmpfile();
    if (file == nullptr || std::fwrite(stream.data(), 1, stream.size(), file) != stream.size() ||
        std::fflush(file) != 0)
        std::abort();
    return file;
}

void BM_DeflatePieces(benchmark::State& state)
{
    const std::string& plain = corpus();
    for (auto _ : state) {
        CountingSink sink;
        Deflater deflater(sink, static_cast<unsigned>(state.range(0)));
        deflater.put(bytes(plain), plain.size());
        deflater.finish();
        state.counters["ratio"] = static_cast<double>(sink.bytes) / static_cast<double>(plain.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
}

void BM_DeflateZlib6(benchmark::State& state)
{
    const std::string& plain = corpus();
    std::vector<Bytef> out(compressBound(static_cast<uLong>(plain.size())));
    for (auto _ : state) {
        uLongf size = static_cast<uLongf>(out.size());
        compress2(out.data(), &size, bytes(plain), static_cast<uLong>(plain.size()), 6);
        state.counters["ratio"] = static_cast<double>(size) / static_cast<double>(plain.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
}

void BM_Inflate(benchmark::State& state)
{
    FILE* file = streamFile();
    for (auto _ : state) {
        CountingSink sink;
        if (inflatePayload(fileno(file), 0, corpus().size(), sink) != Inflated::Ok)
            state.SkipWithError("stream refused");
    }
    std::fclose(file);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus().size()));
}

void BM_InflateZlib(benchmark::State& state)
{
    FILE* file = streamFile();
    std::vector<unsigned char> input(128 * 1024), output(128 * 1024);
    for (auto _ : state) {
        std::rewind(file);
        z_stream zs{};
        inflateInit(&zs);
        int status = Z_OK;
        while (status == Z_OK) {
            if (zs.avail_in == 0) {
                zs.next_in = input.data();
                zs.avail_in = static_cast<uInt>(std::fread(input.data(), 1, input.size(), file));
            }
            zs.next_out = output.data();
            zs.avail_out = static_cast<uInt>(output.size());
            status = inflate(&zs, Z_NO_FLUSH);
            benchmark::DoNotOptimize(output.data());
        }
        if (status != Z_STREAM_END)
            state.SkipWithError("stream refused");
        inflateEnd(&zs);
    }
    std::fclose(file);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus().size()));
}

// The wrapper around a plain file, written next to it, as the tool does after every change.
void BM_CompressFile(benchmark::State& state)
{
    char pattern[] = "/tmp/mkpkg-codec.XXXXXX";
    if (!mkdtemp(pattern))
        std::abort();
    const std::string dir = pattern;
    std::ofstream(dir + "/plain", std::ios::binary) << corpus();
    for (auto _ : state)
        if (!QTx::compressFile(dir + "/plain", dir + "/packed"))
            state.SkipWithError("cannot write the package");
    std::filesystem::remove_all(dir);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus().size()));
}

} // namespace

BENCHMARK(BM_DeflatePieces)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DeflateZlib6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Inflate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateZlib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressFile)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
