// SPDX-License-Identifier: GPL-3.0-or-later
// A results table as strandel-bench writes it: CSV with a header naming its
// columns, at least
//   chain,position,image,manual_segmentation,classes,centres,seconds,
//   turi,dunn,amrane,liu_yang,jaccard
// and, in tables of newer runs, a last column `status` ("ok", or "skipped:
// REASON" for an image no chain could rate). One row per (chain, image).
// Columns are found by their titles, so that columns added later (more
// measures) do not stop older readers.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report_page/csv.h"
#include "report_page/measures.h"

namespace strandel {

struct result_row {
    std::string chain;
    int position = 0;
    std::string image;                // as the table writes it
    std::string manual_segmentation;  // as written; empty when there is none
    // Where the image and the manual segmentation are (resolve_paths):
    // absolute and normalised, what identifies an image across tables.
    // Empty until resolved; an unresolved row is identified by `image`.
    std::string image_path, manual_path;
    int classes = 0;
    std::vector<double> centres;
    double seconds = 0;
    // Indexed by measure_id; only jaccard may be absent (no manual
    // segmentation). Values may be infinite or NaN.
    std::array<std::optional<double>, measure_count> values;
    // A row of an image that was not rated ("skipped: REASON" in the
    // table): it has no values, only its reason.
    bool skipped = false;
    std::string skip_reason;
    std::string table;  // file the row came from, for messages
    int line = 0;       // line it starts on

    // What identifies the row's image: its resolved path once known.
    const std::string& image_key() const { return image_path.empty() ? image : image_path; }
};

// Where each known column is in a table's rows.
struct table_columns {
    int chain = -1, position = -1, image = -1, manual_segmentation = -1, classes = -1, centres = -1,
        seconds = -1, status = -1;
    std::array<int, measure_count> measures{};
    std::size_t count = 0;  // columns in the header
};

// Finds the columns in a header row. Fails with `error` ("unexpected
// header, expected ...: no column X") when a column is missing or a title
// appears twice.
bool find_columns(const std::vector<std::string>& header, table_columns* columns, std::string* error);

// Reads one table row by row: the header first (open), then each row
// checked and parsed (next), one record in memory at a time.
class results_table_reader {
public:
    // Reads a file (a regular file only) or `text` standing for `name`.
    bool open(const std::string& file, std::string* error);
    bool open_text(std::string_view text, const std::string& name, std::string* error);

    const std::vector<std::string>& header() const { return m_header; }
    const table_columns& columns() const { return m_columns; }

    // The next row as read (`record`, its fields untouched) and parsed
    // (`row`). False at the end of the table (error empty) or with `error`
    // = "TABLE:LINE: what" on a row that does not read.
    bool next(csv_record* record, result_row* row, std::string* error);

private:
    bool read_header(std::string* error);
    bool parse_row(const csv_record& record, result_row* row, std::string* error) const;
    text_lines m_lines;
    csv_reader m_records{m_lines};
    std::vector<std::string> m_header;
    table_columns m_columns;
};

// Reads the rows of one table's text; `table` names it in rows and messages.
// Fails with `error` = "TABLE:LINE: what" on a header without the columns,
// a row with the wrong number of fields, a field that does not read as its
// column's type, an empty chain or image, or a last row without line end.
bool parse_results_table(std::string_view text, const std::string& table, std::vector<result_row>* rows,
                         std::string* error);

// Reads a table file (a regular file only); a file that cannot be read
// fails with the system's reason.
bool read_results_table(const std::string& file, std::vector<result_row>* rows, std::string* error);

// Reads one decimal as the table writes it: what std::from_chars accepts,
// including "inf", "-inf" and "nan", and nothing else (no spaces, no "+").
bool parse_decimal(std::string_view text, double* value);

}  // namespace strandel
