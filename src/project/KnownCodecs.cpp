#include "project/KnownCodecs.h"

#include <iconv.h>

namespace {

constexpr const char* kCodecNames[] = {
    "ISO-8859-1", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-5",  "ISO-8859-6",  "ISO-8859-7",
    "ISO-8859-8", "ISO-8859-8-i", "ISO-8859-9", "ISO-8859-10", "ISO-8859-13", "ISO-8859-14", "ISO-8859-15",
    "ISO-8859-16", "CP 874", "CP 1250", "CP 1251", "CP 1252", "CP 1253", "CP 1254", "CP 1255", "CP 1256",
    "CP 1257", "CP 1258", "IBM 850", "IBM 866", "Big5", "Big5-HKSCS", "eucJP", "eucKR", "GB2312", "GBK",
    "GB18030", "JIS7", "Shift-JIS", "TSCII", "UTF-8", "UTF-16", "KOI8-R", "KOI8-U", "Apple Roman", "TIS-620",
    "HP-Roman8",
};

bool hasConverter(const char* name)
{
    const iconv_t converter = iconv_open("UTF-8", name);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(converter);
    return true;
}

} // namespace

std::vector<std::string> knownCodecList()
{
    // Opening a converter loads its module, several milliseconds for the whole
    // list, so the list is found once and only when someone asks for it.
    static const std::vector<std::string> list = [] {
        std::vector<std::string> found = {"Default"};
        for (const char* name : kCodecNames)
            if (hasConverter(name))
                found.push_back(name);
        return found;
    }();
    return list;
}
