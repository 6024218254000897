#pragma once

#include <cstdint>
#include <optional>

class HReporter;

// SOURCE_DATE_EPOCH, the reproducible-builds convention: when set to a decimal
// number of seconds since 1970, no member written is later than it. Unset:
// nothing. Any other value is a warning (naming it) and ignored.
std::optional<std::int64_t> sourceDateEpoch(HReporter& report);
