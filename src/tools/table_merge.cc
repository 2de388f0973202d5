// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/table_merge.h"

#include <cstdio>
#include <filesystem>
#include <map>

#include "batch/table_writer.h"
#include "framework/file_identity.h"
#include "framework/message_text.h"
#include "report_page/atomic_file.h"
#include "report_page/results_table.h"
#include "report_page/table_paths.h"

namespace strandel {

namespace {

namespace fs = std::filesystem;

std::string row_text(const std::vector<std::string>& fields) {
    std::string row;
    for (const std::string& field : fields) row += (row.empty() ? "" : ",") + csv_field(field);
    return row + "\r\n";
}

std::vector<std::string> without_status(std::vector<std::string> header, int status) {
    if (status >= 0) header.erase(header.begin() + status);
    return header;
}

std::string place(const std::string& table, int line) { return table + ":" + std::to_string(line); }

// The rows of every table, keyed as the merged table orders them, with the
// rules that identify a row.
class merged_rows {
public:
    merged_rows(const std::string& out, const std::string& paths_folder)
        : m_out_folder(normalised_absolute(fs::path(out).parent_path().string())), m_paths_folder(paths_folder) {}

    // Every table has the first one's columns, a status column aside;
    // when any has one, the merged table has it and older tables' rows
    // are "ok".
    bool take_header(const std::string& table, std::string* error) {
        results_table_reader reader;
        if (!reader.open(table, error)) return false;
        const int status = reader.columns().status;
        const std::vector<std::string> columns = without_status(reader.header(), status);
        if (m_first.empty()) {
            m_columns = columns;
            m_first = table;
            m_header = reader.header();
            m_status = status;
        } else if (columns != m_columns) {
            *error = "'" + table + "' has other columns than '" + m_first + "': was it written by another version?";
            return false;
        } else if (status >= 0 && m_status < 0) {
            m_header = reader.header();
            m_status = status;
        } else if (status >= 0 && reader.header() != m_header) {
            *error = "'" + table + "' has its status column elsewhere than '" + m_first + "'";
            return false;
        }
        return true;
    }

    bool add_rows(const std::string& table, std::string* error, std::vector<std::string>* notes) {
        results_table_reader reader;
        if (!reader.open(table, error)) return false;
        table_path_resolver paths(table, m_paths_folder);
        const table_columns& c = reader.columns();
        int rewritten = 0;
        csv_record record;
        result_row row;
        while (reader.next(&record, &row, error)) {
            const std::size_t chain = m_chains.emplace(row.chain, m_chains.size()).first->second;
            std::vector<std::string>& f = record.fields;
            std::string image, manual;
            rewritten += rewrite(paths, &f[c.image], &image) + rewrite(paths, &f[c.manual_segmentation], &manual);
            if (!identify(chain, row, image, error)) return false;
            if (c.status < 0 && m_status >= 0) f.insert(f.begin() + m_status, "ok");
            m_rows.emplace(std::make_pair(row.position, chain), row_text(f));
        }
        if (!error->empty()) return false;
        if (paths.from_current_folder()) notes->push_back(current_folder_note(table, paths.from_current_folder()));
        if (rewritten)
            notes->push_back(table + ": " + std::to_string(rewritten) + " relative path" + (rewritten == 1 ? "" : "s") +
                             " rewritten to lead to the same files from the merged table's folder");
        return true;
    }

    std::string text() const {
        std::string text = row_text(m_header);
        for (const auto& row : m_rows) text += row.second;
        return text;
    }

private:
    // A relative path that leads elsewhere from the merged table's folder
    // is written relative to that folder (absolute when it cannot be).
    // `resolved` receives where the path leads.
    int rewrite(table_path_resolver& paths, std::string* field, std::string* resolved) {
        const int found_here = paths.from_current_folder();
        *resolved = paths.resolve(*field);
        if (field->empty() || fs::path(*field).is_absolute()) return 0;
        if (paths.folder() == m_out_folder && paths.from_current_folder() == found_here) return 0;
        const fs::path relative = fs::path(*resolved).lexically_relative(m_out_folder);
        const std::string written = relative.empty() ? *resolved : relative.string();
        if (written == *field) return 0;
        *field = written;
        return 1;
    }

    bool identify(std::size_t chain, const result_row& row, const std::string& image, std::string* error) {
        const std::string here = place(row.table, row.line);
        const auto position = m_positions.emplace(std::make_pair(chain, row.position), here);
        if (!position.second) {
            *error = here + ": chain '" + message_quote(row.chain) + "' at position " + std::to_string(row.position) +
                     " appears already at " + position.first->second +
                     ": are two shards overlapping, or one table given twice?";
            return false;
        }
        const auto seen = m_images.emplace(std::make_pair(chain, image), here);
        if (!seen.second) {
            *error = here + ": chain '" + message_quote(row.chain) + "' has a row for image '" +
                     message_quote(row.image) + "' already at " + seen.first->second;
            return false;
        }
        return true;
    }

    std::string m_out_folder, m_paths_folder, m_first;
    std::vector<std::string> m_header, m_columns;
    int m_status = -1;
    std::map<std::string, std::size_t> m_chains;
    // (position, chain) -> row text: image by image, each image's chains
    // in their order, as a single run writes them.
    std::map<std::pair<int, std::size_t>, std::string> m_rows;
    std::map<std::pair<std::size_t, int>, std::string> m_positions;
    std::map<std::pair<std::size_t, std::string>, std::string> m_images;
};

}  // namespace

bool is_results_table(const std::string& file) {
    text_lines lines;
    std::string first;
    if (!lines.open(file) || !lines.next(&first)) return false;
    if (first.compare(0, 3, "\xEF\xBB\xBF") == 0) first.erase(0, 3);
    if (!first.empty() && first.back() == '\r') first.pop_back();
    std::vector<csv_record> records;
    std::string ignored;
    table_columns columns;
    return split_csv(first, &records, &ignored) && records.size() == 1 &&
           find_columns(records[0].fields, &columns, &ignored);
}

bool merge_table_files(const std::vector<std::string>& tables, const std::string& out, std::string* error,
                       std::vector<std::string>* notes, const std::string& paths_folder) {
    const file_identity merged_file(out);
    for (const std::string& table : tables)
        if (merged_file.same_as(table)) {
            *error = "the merged table '" + out + "' is the shard table '" + table +
                     "': give the merged table a new name";
            return false;
        }
    replacing_file file;
    std::string why;
    if (!file.open(out, &why, false)) {
        *error = merged_file.exists() ? "table '" + out + "' exists already: give a new file (no table is overwritten)"
                                      : why;
        return false;
    }
    merged_rows rows(out, paths_folder);
    std::vector<std::string> said;
    for (const std::string& table : tables)
        if (!rows.take_header(table, error)) return false;
    for (const std::string& table : tables) {
        error->clear();
        if (!rows.add_rows(table, error, &said)) return false;
    }
    file.write(rows.text());
    if (!file.commit(&why)) {
        *error = why.find("exists already") != std::string::npos
                     ? "table '" + out + "' exists already: give a new file (no table is overwritten)"
                     : "Could not write '" + out + "': " + why;
        return false;
    }
    for (const std::string& note : said) {
        if (notes)
            notes->push_back(note);
        else
            std::fprintf(stderr, "strandel-bench: --merge: note: %s\n", terminal_text(note).c_str());
    }
    return true;
}

}  // namespace strandel
