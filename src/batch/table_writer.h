// SPDX-License-Identifier: GPL-3.0-or-later
// The results table: RFC 4180 CSV, one row per (chain, image), with every
// value at full precision, for pandas, R, spreadsheets and strandel-report.
// Its header:
//   chain,position,image,manual_segmentation,classes,centres,seconds,
//   turi,dunn,amrane,liu_yang,jaccard
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "batch/image_rating.h"
#include "batch/image_reader.h"

namespace strandel {

// The shortest decimal that reads back as the same double; "inf", "-inf"
// and "nan" (never "-nan"), as pandas and R read them.
std::string shortest_decimal(double value);

// `text` as one CSV field: quoted, with quotes doubled, when it holds a
// comma, a quote or a line end.
std::string csv_field(const std::string& text);

// The header row, line end included. Rows end with CR LF.
std::string table_header();

// One row. `chain_text` is the chain as given (the default chain is
// written "AiNet"); the manual segmentation and the Jaccard index are left
// empty when the image had none that could be used.
std::string table_row(const std::string& chain_text, std::size_t position, const image_request& image,
                      const image_rating& rating);

// Creates `file` for writing, refusing one that exists already, so that no
// table is ever overwritten; null with `error` naming the file otherwise.
std::FILE* create_table(const std::string& file, std::string* error);

}  // namespace strandel
