// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as the report shows them.
#pragma once

#include <string>

namespace strandel {

// The shortest decimal that reads back as the same double; "inf", "-inf"
// and "nan" as the results table writes them.
std::string full_number(double value);

// Four significant digits, for tables people read: 3.742, 40.00, 0.01235,
// 12346 (large values keep their integer digits rather than turn into
// exponents), 1.235e-05 below 0.0001; "inf", "-inf", "nan" as they are.
std::string short_number(double value);

}  // namespace strandel
