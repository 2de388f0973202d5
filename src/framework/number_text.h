// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as users write them (chain parameters, command-line options,
// count files) and as the system writes them back. One parser for every
// reader, so that "2", "+2" and "2.0" mean the same wherever they are typed.
#pragma once

#include <string>

#include "framework/param.h"

namespace strandel {

// Plain decimal integers only: an optional sign and digits, nothing around
// them (no blanks, no hexadecimal). False when the text is not one or lies
// outside [low, high].
bool parse_integer(const std::string& text, long long low, long long high, long long* value);

// Plain decimal numbers: an optional sign, digits, a point and an exponent;
// no hexadecimal, "inf" or "nan". False when the text is not one, is not
// finite or lies outside [low, high].
bool parse_decimal(const std::string& text, double low, double high, double* value);

// `value` with 17 significant digits: reads back as the same double.
std::string exact_decimal(double value);

// A parameter value as the chain syntax writes it: integers as they are,
// doubles exactly.
std::string param_text(const param& value);

// "an integer from 2 to 100", "a number from 0.3 to 1": what a value of
// parameter `info` must be.
std::string describe_range(const param_info& info);

}  // namespace strandel
