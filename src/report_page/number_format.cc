// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace strandel {

std::string full_number(double value) {
    if (std::isnan(value)) return "nan";  // not "-nan"
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string short_number(double value) {
    if (!std::isfinite(value)) return full_number(value);
    if (value == 0) return "0";
    char buffer[64];
    // The exponent after rounding to four digits (9.9996 is 1.000e+01).
    std::snprintf(buffer, sizeof buffer, "%.3e", value);
    const int exponent = std::atoi(std::strchr(buffer, 'e') + 1);
    if (exponent < -4 || exponent > 15) return buffer;
    const int decimals = exponent >= 3 ? 0 : 3 - exponent;
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

}  // namespace strandel
