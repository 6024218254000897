#include "tool/SourceDateEpoch.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "tool/HReporter.h"

std::optional<std::int64_t> sourceDateEpoch(HReporter& report)
{
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (text == nullptr)
        return std::nullopt;
    const std::string value = text;
    // Digits only: no sign, no blanks, no fraction, as the convention has it.
    if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos) {
        errno = 0;
        const long long seconds = std::strtoll(text, nullptr, 10);
        if (errno == 0)
            return seconds;
    }
    report.warning("SOURCE_DATE_EPOCH=" + value + " is not a decimal number of seconds; ignored");
    return std::nullopt;
}
