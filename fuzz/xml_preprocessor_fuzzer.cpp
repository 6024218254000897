// Preprocesses arbitrary bytes as an XML file whose includes name itself or a
// second fuzzed file, with macros expanded when the first byte says so. Any
// crash, hang or sanitizer report is a bug.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "xml/XmlPP2.h"

namespace {

class Preprocessor : public XMLPP2 {
public:
    Preprocessor() : XMLPP2(false) {}
    void warning(const std::string&) override {}
};

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const std::string dir = [] {
        char pattern[] = "/tmp/xmlpp-fuzz.XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    // The bytes after the first "\x01" form "b.xml", which "a.xml" may include.
    const std::uint8_t* body = data + 1;
    std::size_t length = size - 1;
    std::size_t split = 0;
    while (split < length && body[split] != 1)
        ++split;
    writeFile(dir + "/a.xml", body, split);
    writeFile(dir + "/b.xml", body + split, length - split);
    Preprocessor document;
    document.load((dir + "/a.xml").c_str(), "X=1;Y=$(X)", data[0] & 1);
    return 0;
}
