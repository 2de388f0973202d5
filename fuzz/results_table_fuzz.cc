// SPDX-License-Identifier: GPL-3.0-or-later
// Results tables of any content: a table that reads is written back (its
// header, then every row's fields, quoted as the writer quotes them) and
// reads back to the same rows; a refusal names the table and a line.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "batch/table_writer.h"
#include "fuzz/fuzz_support.h"
#include "report_page/results_table.h"

namespace {

std::string row_text(const std::vector<std::string>& fields) {
    std::string row;
    for (const std::string& field : fields) row += (row.empty() ? "" : ",") + strandel::csv_field(field);
    return row + "\r\n";
}

bool same_value(const std::optional<double>& a, const std::optional<double>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || std::memcmp(&*a, &*b, sizeof(double)) == 0 || (std::isnan(*a) && std::isnan(*b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    strandel::results_table_reader reader;
    std::string error;
    std::vector<strandel::result_row> rows;
    std::string written;
    if (reader.open_text(text, "t.csv", &error)) {
        written = row_text(reader.header());
        strandel::csv_record record;
        strandel::result_row row;
        while (reader.next(&record, &row, &error)) {
            written += row_text(record.fields);
            rows.push_back(row);
        }
    }
    if (!error.empty()) {
        FUZZ_CHECK(error.compare(0, 6, "t.csv:") == 0);
        return 0;
    }
    std::vector<strandel::result_row> again;
    FUZZ_CHECK(strandel::parse_results_table(written, "t.csv", &again, &error));
    FUZZ_CHECK(again.size() == rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        FUZZ_CHECK(!rows[r].chain.empty() && !rows[r].image.empty());
        FUZZ_CHECK(again[r].chain == rows[r].chain && again[r].image == rows[r].image);
        FUZZ_CHECK(again[r].position == rows[r].position && again[r].skipped == rows[r].skipped);
        for (int m = 0; m < strandel::measure_count; ++m) FUZZ_CHECK(same_value(again[r].values[m], rows[r].values[m]));
    }
    return 0;
}
