// SPDX-License-Identifier: GPL-3.0-or-later
// The results table: RFC 4180 CSV, one row per (chain, image), with every
// value at full precision, for pandas, R, spreadsheets and strandel-report.
// Its header:
//   chain,position,image,manual_segmentation,classes,centres,seconds,
//   turi,dunn,amrane,liu_yang,jaccard,annotators,rand_index,adjusted_rand,
//   variation_of_information,global_consistency_error,covering,
//   matched_jaccard,matched_dice,boundary_precision,boundary_recall,
//   boundary_f,optimal_ratio,gray,levels,status
// A row is identified by its chain's text and its list position. An image
// that could not be rated keeps its row, with "skipped: REASON" as status
// and no values.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

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
    std::vector<std::string> truths{};  // every ground-truth file, `manual` first
};

// What every row of a run also records: how colour and 16-bit images
// became gray levels.
struct table_provenance {
    std::string gray = "blue";
    std::string levels = "scale";
};

// The chain's text in the table: as given, the default chain (an empty or
// blank text) as "AiNet".
std::string table_chain_text(const std::string& chain_text);

// The row of a rated image, status "ok". The manual segmentation and the
// Jaccard index are left empty when the image had none that could be used.
std::string table_row(const std::string& chain_text, std::size_t position, const table_paths& paths,
                      const image_rating& rating, const table_provenance& provenance = {});

// The row of an image the chain did not rate: status "skipped: REASON",
// classes, centres, seconds, the measures and the Jaccard index empty; the
// manual segmentation when the reader could use it.
std::string skipped_table_row(const std::string& chain_text, std::size_t position, const table_paths& paths,
                              bool manual_used, const std::string& reason, const table_provenance& provenance = {});

// The long table (--table-annotators): one row per method, image and
// annotator, with that annotator's measures. Its header:
//   chain,position,image,annotator,ground_truth,entry,jaccard,rand_index,
//   adjusted_rand,variation_of_information,global_consistency_error,
//   covering,matched_jaccard,matched_dice,boundary_precision,
//   boundary_recall,boundary_f
std::string annotator_table_header();
// The rows of a rated image: annotator numbered from 1 in the order of the
// ground-truth files (and of a MATLAB file's entries, `entry` from 1).
std::string annotator_table_rows(const std::string& chain_text, std::size_t position, const table_paths& paths,
                                 const image_data& data, const image_rating& rating);

// Creates `file` for writing, refusing one that exists already, so that no
// table is ever overwritten; null with `error` naming the file otherwise.
std::FILE* create_table(const std::string& file, std::string* error);

}  // namespace strandel
