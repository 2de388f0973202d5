// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/table_merge.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "batch/report.h"
#include "batch/table_writer.h"
#include "report_page/csv.h"

namespace strandel {

namespace {

bool read_text(const std::string& file, std::string* text, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream all;
    if (!in || !(all << in.rdbuf())) {
        *error = "Could not read '" + file + "': " + std::strerror(errno ? errno : EIO);
        return false;
    }
    *text = all.str();
    return true;
}

std::string row_text(const std::vector<std::string>& fields) {
    std::string row;
    for (const std::string& field : fields) row += (row.empty() ? "" : ",") + csv_field(field);
    return row + "\r\n";
}

}  // namespace

bool is_results_table(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string header = table_header();
    std::string start(header.size() - 2, '\0');
    return in.read(&start[0], std::streamsize(start.size())) && header.compare(0, start.size(), start) == 0;
}

bool merge_table_files(const std::vector<std::string>& tables, const std::string& out, std::string* error) {
    const std::string header = table_header();
    std::map<std::string, std::size_t> chain_order;
    std::map<std::pair<std::size_t, long>, std::pair<std::string, std::string>> rows;  // -> text, table
    for (const std::string& table : tables) {
        std::string text, csv_error;
        if (!read_text(table, &text, error)) return false;
        std::vector<csv_record> records;
        if (!split_csv(text, &records, &csv_error)) {
            *error = "'" + table + "' is not CSV: " + csv_error;
            return false;
        }
        if (records.empty() || row_text(records[0].fields) != header) {
            *error = "'" + table + "' is not a results table: its first row is not the table's header";
            return false;
        }
        for (std::size_t r = 1; r < records.size(); ++r) {
            const std::vector<std::string>& f = records[r].fields;
            long position = -1;
            const bool numbered = f.size() > 1 && !f[1].empty() &&
                                  std::from_chars(f[1].data(), f[1].data() + f[1].size(), position).ptr ==
                                      f[1].data() + f[1].size();
            if (f.size() != records[0].fields.size() || !numbered || position < 0) {
                *error = "'" + table + "' line " + std::to_string(records[r].line) + " is not a row of the table";
                return false;
            }
            const std::size_t chain = chain_order.emplace(f[0], chain_order.size()).first->second;
            const auto inserted = rows.emplace(std::make_pair(chain, position), std::make_pair(row_text(f), table));
            if (!inserted.second) {
                *error = "chain '" + f[0] + "' at position " + std::to_string(position) + " appears in both '" +
                         inserted.first->second.second + "' and '" + table +
                         "': are two shards overlapping, or one table given twice?";
                return false;
            }
        }
    }
    std::FILE* f = create_table(out, error);
    if (!f) return false;
    report_stream stream(f);
    stream.write(header);
    for (const auto& row : rows) stream.write(row.second.first);
    if (!stream.close()) {
        *error = "Could not write '" + out + "': " + stream.error();
        return false;
    }
    return true;
}

}  // namespace strandel
