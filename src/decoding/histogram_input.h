// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a gray-level histogram from outside GIMP: from a binary PGM image
// or from a plain list of 256 counts.
#pragma once

#include <istream>
#include <string>

#include "framework/histogram.h"

namespace strandel {

// Binary PGM ("P5"), maxval 1 to 255, comments allowed in the header. Every
// pixel is counted; with a maxval below 255 the samples are scaled to 0..255
// as an image editor loading the file would. On failure returns false and
// `error` names the file (`name`) and what is wrong.
bool read_pgm_histogram(std::istream& in, const std::string& name, histogram& h, std::string* error);
bool read_pgm_histogram_file(const std::string& path, histogram& h, std::string* error);

// Exactly 256 whitespace-separated non-negative integer counts, each fitting
// a signed 32-bit integer and written in at most 20 characters, for gray
// levels 0 to 255. Reading stops at the first count that is not one.
bool read_histogram_counts(std::istream& in, const std::string& name, histogram& h, std::string* error);
bool read_histogram_counts_file(const std::string& path, histogram& h, std::string* error);

}  // namespace strandel
