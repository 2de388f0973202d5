// SPDX-License-Identifier: GPL-3.0-or-later
// The results table: RFC 4180 CSV, one row per (chain, image), with every
// value at full precision, for pandas, R, spreadsheets and strandel-report.
// Its header:
//   chain,position,image,manual_segmentation,classes,centres,seconds,
//   turi,dunn,amrane,liu_yang,jaccard,status
// A row is identified by its chain's text and its list position. An image
// that could not be rated keeps its row, with "skipped: REASON" as status
// and no values.
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

// An image and its manual segmentation as a table writes them (see
// path_for_table in batch/run_plan.h).
struct table_paths {
    std::string image;
    std::string manual;
};

// The chain's text in the table: as given, the default chain (an empty or
// blank text) as "AiNet".
std::string table_chain_text(const std::string& chain_text);

// The row of a rated image, status "ok". The manual segmentation and the
// Jaccard index are left empty when the image had none that could be used.
std::string table_row(const std::string& chain_text, std::size_t position, const table_paths& paths,
                      const image_rating& rating);

// The row of an image the chain did not rate: status "skipped: REASON",
// classes, centres, seconds, the measures and the Jaccard index empty; the
// manual segmentation when the reader could use it.
std::string skipped_table_row(const std::string& chain_text, std::size_t position, const table_paths& paths,
                              bool manual_used, const std::string& reason);

// Creates `file` for writing, refusing one that exists already, so that no
// table is ever overwritten; null with `error` naming the file otherwise.
std::FILE* create_table(const std::string& file, std::string* error);

}  // namespace strandel
