// Loads a generated solution file (~10 MB; ~200 KB when MKPKG_BENCH_SMOKE is set)
// with our reader and with pugixml, and checks that reloading after a document
// is gone recycles its chunks instead of taking new ones from the heap. Then
// parses and preprocesses a file of 80 000 sibling "if" elements (2 000 when
// MKPKG_BENCH_SMOKE is set), where every splice or removal of a sibling must
// take constant time for the whole file to take linear time.
#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include "xml/XML.h"
#include "xml/XmlPP2.h"

namespace {

bool failed = false;

// Marks the run failed with `why`; the caller returns.
void fail(benchmark::State& state, const char* why)
{
    state.SkipWithError(why);
    failed = true;
}

// Loads `file` into `document`, marking the run failed when that does not give a root.
bool loadOrFail(benchmark::State& state, XMLDocument& document, const char* path)
{
    if (document.load(path) && document.rootElement())
        return true;
    fail(state, "load failed");
    return false;
}

std::string makeSolution(std::size_t targetBytes)
{
    std::mt19937 random(20240611);
    auto pick = [&](std::initializer_list<const char*> words) { return words.begin()[random() % words.size()]; };
    std::string xml = "<!DOCTYPE Ambrel_Project_File>\n<solution Name=\"Bench\" target=\"8\" version=\"2\">\n";
    for (int project = 0; xml.size() < targetBytes; ++project) {
        const std::string name =
            std::string(pick({"motor", "sensor", "radio", "boot", "lcd"})) + std::to_string(project);
        xml += "  <project Name=\"" + name + "\">\n";
        xml += "    <configuration Name=\"Common\" Target=\"MSP430F149\" build_intermediate_directory=\"obj/" + name +
               "\" c_preprocessor_definitions=\"BOARD=" + std::to_string(random() % 40) +
               ";USE_&quot;FAST&quot;\" linker_output_format=\"hex\" project_type=\"Executable\"/>\n";
        xml += "    <configuration Name=\"Debug\" build_debug_information=\"Yes\" optimize_level=\"0\"/>\n";
        xml += "    <configuration Name=\"Release\" build_debug_information=\"No\" optimize_level=\"2\"/>\n";
        xml += "    <folder Name=\"Source Files\" filter=\"c;cpp;cxx;cc;h;s;asm;inc\">\n";
        for (int folder = 0; folder < 3; ++folder) {
            xml +=
                "      <folder Name=\"" + std::string(pick({"drivers", "util", "hal", "app"})) + "\" filter=\"c;h\">\n";
            for (int file = 0; file < 8; ++file)
                xml += "        <file file_name=\"../src/" + name + "/" + pick({"uart", "spi", "adc", "timer"}) +
                       std::to_string(random() % 1000) + (file % 5 ? ".c" : "_&lt;v2&gt;.h") + "\"/>\n";
            xml += "      </folder>\n";
        }
        for (int file = 0; file < 6; ++file)
            xml += "      <file file_name=\"main" + std::to_string(file) + ".c\">\n        <configuration " +
                   "Name=\"Debug\" build_exclude_from_build=\"No\"/>\n      </file>\n";
        xml +=
            "    </folder>\n    <folder Name=\"System Files\">\n      <file file_name=\"$(StudioDir)/src/crt0.asm\"/>\n"
            "    </folder>\n  </project>\n";
    }
    return xml + "</solution>\n";
}

bool smoke()
{
    return std::getenv("MKPKG_BENCH_SMOKE") != nullptr;
}

// Alternately true and false conditions with X=1, so that half the siblings are
// spliced and half removed.
std::string makeIfSiblings(int count)
{
    std::string xml = "<r>\n";
    for (int i = 0; i < count; ++i)
        xml += i % 2 ? "  <if X=\"2\"><no/></if>\n" : "  <if X=\"1\"><yes n=\"" + std::to_string(i) + "\"/></if>\n";
    return xml + "</r>\n";
}

// A generated file, removed when the run ends.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& xml)
    {
        const char* base = std::getenv("TMPDIR");
        path_ = std::string(base && *base ? base : "/tmp") + "/mkpkg-xml-bench-XXXXXX";
        const int fd = mkstemp(path_.data());
        if (fd < 0 || write(fd, xml.data(), xml.size()) != static_cast<ssize_t>(xml.size()) || close(fd) != 0) {
            std::perror(path_.c_str());
            std::exit(1);
        }
        size_ = xml.size();
    }
    ~ScratchFile() { unlink(path_.c_str()); }
    const char* path() const { return path_.c_str(); }
    std::size_t size() const { return size_; }

private:
    std::string path_;
    std::size_t size_ = 0;
};

const ScratchFile& scratch()
{
    static const ScratchFile file(makeSolution(smoke() ? 200 * 1024 : 10 * 1024 * 1024));
    return file;
}

const int kIfSiblings = smoke() ? 2000 : 80000;

const ScratchFile& ifSiblings()
{
    static const ScratchFile file(makeIfSiblings(kIfSiblings));
    return file;
}

class QuietPreprocessor : public XMLPP2 {
public:
    explicit QuietPreprocessor(const MacroSystem& macroSystem) : XMLPP2(macroSystem, false) {}
    void warning(const std::string&) override { ++warnings; }
    int warnings = 0;
};

void BM_XMLDocumentLoad(benchmark::State& state)
{
    const ScratchFile& file = scratch();
    {
        // The first load takes its chunks from the heap; every later one should recycle them.
        XMLDocument first(false);
        first.load(file.path());
    }
    const std::size_t chunksBefore = Pool::chunksCreated();
    for (auto _ : state) {
        XMLDocument document(false);
        if (!loadOrFail(state, document, file.path()))
            return;
    }
    const std::size_t newChunks = Pool::chunksCreated() - chunksBefore;
    state.counters["new_chunks"] = static_cast<double>(newChunks);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
    if (newChunks != 0) {
        fail(state, "a reload took new chunks from the heap");
    }
}
BENCHMARK(BM_XMLDocumentLoad)->Unit(benchmark::kMillisecond);

void BM_PugixmlLoad(benchmark::State& state)
{
    const ScratchFile& file = scratch();
    for (auto _ : state) {
        pugi::xml_document document;
        if (!document.load_file(file.path())) {
            fail(state, "load failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_PugixmlLoad)->Unit(benchmark::kMillisecond);

void BM_IfSiblingsParse(benchmark::State& state)
{
    const ScratchFile& file = ifSiblings();
    for (auto _ : state) {
        XMLDocument document(false);
        if (!loadOrFail(state, document, file.path()))
            return;
    }
    state.counters["siblings"] = kIfSiblings;
}
BENCHMARK(BM_IfSiblingsParse)->Unit(benchmark::kMillisecond);

// Only the preprocessing is timed: the parse before it (the benchmark above) and
// the release of the document after it are not.
void BM_IfSiblingsPreprocess(benchmark::State& state)
{
    const ScratchFile& file = ifSiblings();
    const MacroTable macros{{"X", "1"}};
    const MacroSystem macroSystem;
    std::unique_ptr<QuietPreprocessor> document;
    for (auto _ : state) {
        state.PauseTiming();
        document = std::make_unique<QuietPreprocessor>(macroSystem);
        const bool loaded = document->XMLDocument::load(file.path()) && document->rootElement();
        state.ResumeTiming();
        if (!loaded) {
            fail(state, "load failed");
            return;
        }
        document->processConditionals(document->rootElement(), file.path(), macros, false);
        state.PauseTiming();
        int kept = 0;
        for (XMLNode* child = document->rootElement()->firstChild(); child; child = child->nextSibling())
            ++kept;
        const bool right = kept == kIfSiblings / 2 && document->warnings == 0;
        document.reset();
        state.ResumeTiming();
        if (!right) {
            fail(state, "wrong preprocessing result");
            return;
        }
    }
    state.counters["siblings"] = kIfSiblings;
}
BENCHMARK(BM_IfSiblingsPreprocess)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return failed ? 1 : 0;
}
