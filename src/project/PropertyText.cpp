#include "project/PropertyText.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

} // namespace

std::optional<std::int64_t> readInteger(const std::string& text, int base, bool allowSign)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    const std::string number = text.substr(begin, end - begin);
    // strtoll would take white space and a sign after the ones we allow, and an
    // empty text as 0; none of those is a number here.
    if (number.empty() || (!allowSign && (number[0] == '-' || number[0] == '+')))
        return std::nullopt;
    const std::size_t digitsAt = (number[0] == '-' || number[0] == '+') ? 1 : 0;
    if (digitsAt == number.size() || isSpace(number[digitsAt]) || number[digitsAt] == '-' || number[digitsAt] == '+')
        return std::nullopt;
    errno = 0;
    char* stop = nullptr;
    const long long value = std::strtoll(number.c_str(), &stop, base);
    if (errno != 0 || stop != number.c_str() + number.size())
        return std::nullopt;
    return static_cast<std::int64_t>(value);
}

std::int32_t readInt32(const std::string& text, int base)
{
    const std::optional<std::int64_t> value = readInteger(text, base);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
        *value > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(*value);
}

