// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace strandel {

namespace {

bool only_chars(const std::string& text, const char* allowed) {
    return !text.empty() && text.find_first_not_of(allowed) == std::string::npos;
}

}  // namespace

bool parse_integer(const std::string& text, long long low, long long high, long long* value) {
    if (!only_chars(text, "0123456789+-")) return false;
    errno = 0;
    char* stop = nullptr;
    const long long v = std::strtoll(text.c_str(), &stop, 10);
    if (errno != 0 || *stop != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}

bool parse_decimal(const std::string& text, double low, double high, double* value) {
    if (!only_chars(text, "0123456789+-.eE")) return false;
    errno = 0;
    char* stop = nullptr;
    const double v = std::strtod(text.c_str(), &stop);
    // Written so that NaN is out of range.
    if (errno != 0 || *stop != '\0' || !std::isfinite(v) || !(v >= low && v <= high)) return false;
    *value = v;
    return true;
}

std::string exact_decimal(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

std::string param_text(const param& value) {
    return value.type() == param_int ? std::to_string(value.int_value()) : exact_decimal(value.double_value());
}

std::string describe_range(const param_info& info) {
    if (info.type() == param_int)
        return "an integer from " + std::to_string(info.int_start()) + " to " + std::to_string(info.int_end());
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "a number from %g to %g", info.double_start(), info.double_end());
    return buffer;
}

}  // namespace strandel
