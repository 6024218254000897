// Runs a fuzz target over files without libFuzzer, so that the committed corpora
// replay as ordinary tests with any compiler: every file named, and every file
// directly inside a directory named, is fed once. A crash or abort in the target
// fails the run; so does an argument that yields no input at all, so that a
// corpus that went missing cannot pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool readAll(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s corpus-dir-or-file...\n", argv[0]);
        return 2;
    }
    // Targets that work on files change directory when they start.
    std::vector<std::filesystem::path> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(std::filesystem::absolute(argv[i]));
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int fed = 0;
    for (const auto& argument : arguments) {
        std::vector<std::filesystem::path> inputs;
        std::error_code error;
        if (std::filesystem::is_directory(argument, error)) {
            for (const auto& entry : std::filesystem::directory_iterator(argument, error))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else if (std::filesystem::is_regular_file(argument, error)) {
            inputs.push_back(argument);
        }
        if (inputs.empty()) {
            std::fprintf(stderr, "%s: no inputs in %s\n", argv[0], argument.c_str());
            return 2;
        }
        std::sort(inputs.begin(), inputs.end());
        for (const auto& input : inputs) {
            std::vector<std::uint8_t> bytes;
            if (!readAll(input, bytes)) {
                std::fprintf(stderr, "%s: cannot read %s\n", argv[0], input.c_str());
                return 2;
            }
            // The name goes out first, so that the input that crashed is the last one named.
            std::fprintf(stderr, "%s\n", input.c_str());
            std::fflush(stderr);
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++fed;
        }
    }
    std::fprintf(stderr, "%d inputs replayed\n", fed);
    return 0;
}
