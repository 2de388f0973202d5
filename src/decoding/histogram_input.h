// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a gray-level histogram from a plain list of 256 counts (images are
// read by the engines' readers).
#pragma once

#include <istream>
#include <string>

#include "framework/histogram.h"

namespace strandel {

// Exactly 256 whitespace-separated non-negative integer counts, each fitting
// a signed 32-bit integer and written in at most 20 characters, for gray
// levels 0 to 255. Reading stops at the first count that is not one.
bool read_histogram_counts(std::istream& in, const std::string& name, histogram& h, std::string* error);
bool read_histogram_counts_file(const std::string& path, histogram& h, std::string* error);

}  // namespace strandel
