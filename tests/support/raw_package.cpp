#include "support/raw_package.h"

#include <zlib.h>

namespace testsupport {

namespace {

constexpr size_t kRecordSize = 1040;

void putLe(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

uint32_t getLe(std::string_view in, size_t at)
{
    uint32_t v = 0;
    for (size_t i = 4; i-- > 0;)
        v = (v << 8) | static_cast<unsigned char>(in[at + i]);
    return v;
}

} // namespace

std::string buildContainer(const std::vector<Member>& members)
{
    std::string out(kContainerMagic), data;
    putLe(out, static_cast<uint32_t>(members.size()));
    for (const Member& m : members) {
        std::string name = m.name;
        name.resize(1024, '\0');
        out += name;
        putLe(out, static_cast<uint32_t>(8 + kRecordSize * members.size() + data.size()));
        putLe(out, m.declaredSize.value_or(static_cast<uint32_t>(m.data.size())));
        out += std::string{m.readOnly ? '\1' : '\0', '\0', '\0', '\0'};
        putLe(out, static_cast<uint32_t>(m.time));
        data += m.data;
    }
    return out + data;
}

std::string wrapPackage(std::string_view plain)
{
    std::string out(kCompressedSignature);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>(plain.size() >> shift));
    uLongf length = compressBound(plain.size());
    std::string packed(length, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(plain.data()),
              plain.size(), Z_DEFAULT_COMPRESSION);
    return out + packed.substr(0, length);
}

std::optional<std::string> unwrapPackage(std::string_view packed, std::string* why)
{
    std::string reason;
    if (packed.size() < 12 || packed.substr(0, 8) != kCompressedSignature) {
        reason = "no compressed-package signature and length";
    } else {
        uLongf length = 0;
        for (size_t i = 8; i < 12; ++i)
            length = (length << 8) | static_cast<unsigned char>(packed[i]);
        std::string plain(length + 1, '\0'); // the spare byte catches a payload longer than its prefix
        uLongf produced = plain.size();
        const int rc = uncompress(reinterpret_cast<Bytef*>(plain.data()), &produced,
                                  reinterpret_cast<const Bytef*>(packed.data() + 12), packed.size() - 12);
        if (rc == Z_OK && produced == length)
            return plain.substr(0, produced);
        reason = rc != Z_OK
                     ? "damaged zlib stream (zlib result " + std::to_string(rc) + ")"
                     : "payload of " + std::to_string(produced) + " bytes, prefix says " + std::to_string(length);
    }
    if (why)
        *why = reason;
    return std::nullopt;
}

std::optional<std::vector<Member>> parseContainer(std::string_view plain, std::string* why)
{
    std::vector<Member> members;
    std::string reason;
    const auto count = plain.size() < 8 ? -1 : static_cast<int32_t>(getLe(plain, 4));
    if (plain.substr(0, 4) != kContainerMagic || count < 0 || (plain.size() - 8) / kRecordSize < size_t(count))
        reason = "bad header or member count";
    for (size_t i = 0; reason.empty() && i < static_cast<size_t>(count); ++i) {
        const std::string_view record = plain.substr(8 + i * kRecordSize, kRecordSize);
        const size_t end = record.find('\0');
        const uint32_t offset = getLe(record, 1024), size = getLe(record, 1028);
        if (end >= 1024 || record.find_first_not_of('\0', end) < 1024)
            reason = "record " + std::to_string(i) + ": name not NUL-terminated and NUL-padded";
        else if (record.substr(1033, 3) != std::string_view("\0\0\0", 3) ||
                 static_cast<unsigned char>(record[1032]) > 1)
            reason = "record " + std::to_string(i) + ": bad read-only or reserved bytes";
        else if (offset > plain.size() || size > plain.size() - offset)
            reason = "record " + std::to_string(i) + ": data outside the file";
        else
            members.push_back({std::string(record.substr(0, end)), std::string(plain.substr(offset, size)),
                               record[1032] == 1, static_cast<int32_t>(getLe(record, 1036))});
    }
    if (reason.empty())
        return members;
    if (why)
        *why = reason;
    return std::nullopt;
}

std::string describe(const std::vector<Member>& members)
{
    std::string out;
    for (const Member& m : members)
        out += "  \"" + m.name + "\" " + (m.readOnly ? "ro" : "rw") + " time " + std::to_string(m.time) + ", " +
               std::to_string(m.data.size()) + " bytes" + (m.data.size() <= 40 ? ": \"" + m.data + "\"\n" : "\n");
    return out.empty() ? "  (no members)\n" : out;
}

} // namespace testsupport
