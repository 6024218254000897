// Package bytes made and read by hand, independently of the program's code.
//
// Container (integers little-endian):
//   header  C8 C3 52 41, int32 member count
//   record  (1040 bytes each) name[1024] NUL-padded, u32 data offset, u32 size,
//           u8 read-only, 3 zero bytes, int32 modification time
//   data    the members' bytes in record order, no gaps
// Compressed wrapper:
//   7A F4 31 B2 01 00 00 00, u32 big-endian plain length, zlib stream
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

inline constexpr std::string_view kContainerMagic{"\xC8\xC3\x52\x41", 4};
inline constexpr std::string_view kCompressedSignature{"\x7A\xF4\x31\xB2\x01\x00\x00\x00", 8};

struct Member {
    std::string name;
    std::string data;
    bool readOnly = false;
    int32_t time = 0;
    // Size written in the record when it should differ from data.size().
    std::optional<uint32_t> declaredSize = std::nullopt;
};

// Offsets are laid out as a well-formed writer lays them out.
std::string buildContainer(const std::vector<Member>& members);
std::string wrapPackage(std::string_view plain);
// Nullopt, with the reason in `why`, unless the signature, the length
// prefix and the zlib stream are all intact.
std::optional<std::string> unwrapPackage(std::string_view packed, std::string* why = nullptr);
// Strict: complete records, NUL-terminated names, zero reserved bytes and
// member data inside the file.
std::optional<std::vector<Member>> parseContainer(std::string_view plain, std::string* why = nullptr);
// One line per member, for readable failure messages.
std::string describe(const std::vector<Member>& members);

} // namespace testsupport
