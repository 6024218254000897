#include "project/PropertyText.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "foundation/Text.h"

std::optional<std::int64_t> readInteger(const std::string& text, int base, bool allowSign)
{
    const std::string number = trimmed(text);
    // strtoll would take white space and a sign after the ones we allow, and an
    // empty text as 0; none of those is a number here.
    if (number.empty() || (!allowSign && (number[0] == '-' || number[0] == '+')))
        return std::nullopt;
    const std::size_t digitsAt = (number[0] == '-' || number[0] == '+') ? 1 : 0;
    if (digitsAt == number.size() || isWhiteSpace(number[digitsAt]) || number[digitsAt] == '-' || number[digitsAt] == '+')
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

