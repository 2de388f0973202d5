// SPDX-License-Identifier: GPL-3.0-or-later
// Binary PGM files decoded row by row.
#pragma once

#include <memory>
#include <string>

#include "decoding/pixel_rows.h"

namespace strandel {

// Opens a binary PGM ("P5") of maxval 255, whose bytes are the gray levels
// (as image or as labels). Other maxvals are not covered (their levels are
// rescaled by whoever decodes them). A header that does not parse, or
// declares more pixels than the histogram can count, has failed; a file
// shorter than its header says fails at its first missing row.
open_result open_pgm_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                          std::string* why);

struct wide_image;

// The maxval of a binary PGM, 0 when the file is none.
long long pgm_maxval(const std::string& file);

// Reads a binary PGM of maxval above 255 (two bytes a sample, most
// significant first) whole. False with the reason.
bool read_pgm_samples(const std::string& file, wide_image* image, std::string* why);

}  // namespace strandel
