// SPDX-License-Identifier: GPL-3.0-or-later
// A results table as strandel-bench writes it: CSV with the header
//   chain,position,image,manual_segmentation,classes,centres,seconds,
//   turi,dunn,amrane,liu_yang,jaccard
// and one row per (chain, image).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report_page/measures.h"

namespace strandel {

struct result_row {
    std::string chain;
    int position = 0;
    std::string image;
    std::string manual_segmentation;  // empty when there is none
    int classes = 0;
    std::vector<double> centres;
    double seconds = 0;
    // Indexed by measure_id; only jaccard may be absent (no manual
    // segmentation). Values may be infinite or NaN.
    std::array<std::optional<double>, measure_count> values;
    std::string table;  // file the row came from, for messages
    int line = 0;       // line it starts on
};

// Reads the rows of one table's text; `table` names it in rows and messages.
// Fails with `error` = "TABLE:LINE: what" on a wrong header, a row with the
// wrong number of fields or a field that does not read as its column's type.
bool parse_results_table(std::string_view text, const std::string& table, std::vector<result_row>* rows,
                         std::string* error);

// Reads a table file; a file that cannot be read fails with the system's reason.
bool read_results_table(const std::string& file, std::vector<result_row>* rows, std::string* error);

// Reads one decimal as the table writes it: what std::from_chars accepts,
// including "inf", "-inf" and "nan", and nothing else (no spaces, no "+").
bool parse_decimal(std::string_view text, double* value);

}  // namespace strandel
