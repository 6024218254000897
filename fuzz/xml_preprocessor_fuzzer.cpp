// Preprocesses arbitrary bytes as an XML file whose includes name itself or a
// second fuzzed file, with macros expanded when the first byte says so. Any
// crash, hang, leak or sanitizer report is a bug.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "scratch.h"
#include "xml/XmlPP2.h"

namespace {

class Preprocessor : public XMLPP2 {
public:
    explicit Preprocessor(const MacroSystem& macros) : XMLPP2(macros, false) {}
    void warning(const std::string&) override {}
};

void writeFile(const char* path, const std::uint8_t* data, std::size_t size)
{
    if (FILE* file = std::fopen(path, "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}

// Include names are resolved against the including file's directory, the
// scratch directory, and may be absolute. A name must not leave it: "/" is
// allowed only where markup needs it ("</", "/>"), so every component after or
// before one starts with ">" or ends with "<" and names nothing outside; ".."
// and character references (which could spell "/") are refused.
bool staysInScratch(std::string_view text)
{
    if (text.find("..") != text.npos || text.find("&#") != text.npos)
        return false;
    for (std::size_t i = text.find('/'); i != text.npos; i = text.find('/', i + 1)) {
        const bool closing = i > 0 && text[i - 1] == '<';
        const bool empty = i + 1 < text.size() && text[i + 1] == '>';
        if (!closing && !empty)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || !staysInScratch(std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    // The bytes after the first "\x01" form "b.xml", which "a.xml" may include.
    const std::uint8_t* body = data + 1;
    std::size_t length = size - 1;
    std::size_t split = 0;
    while (split < length && body[split] != 1)
        ++split;
    writeFile("a.xml", body, split);
    writeFile("b.xml", body + split, length - split);
    {
        // A fresh macro system per input, as a run of the tool has.
        const MacroSystem macros;
        Preprocessor document(macros);
        document.load("a.xml", "X=1;Y=$(X)", data[0] & 1);
    }
    fuzz::clearScratchDir();
    return 0;
}
