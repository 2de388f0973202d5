// SPDX-License-Identifier: GPL-3.0-or-later
// Joining the results tables of shards of one benchmark into the table a
// single run would have written.
#pragma once

#include <string>
#include <vector>

namespace strandel {

// Whether `file` starts (after an optional UTF-8 byte order mark) with a
// results table's header, as opposed to a report. Only regular files are
// looked at.
bool is_results_table(const std::string& file);

// Creates `out` with the header once and every row of `tables` in the
// order a single run writes them: by position, and each position's chains
// in order of first appearance. Every row is read
// as strandel-report reads it; a row is identified by (chain, position), and
// within a chain an image (by its resolved path) has one row. Tables of
// older runs without a status column merge with newer ones: their rows get
// "ok". Relative paths are rewritten, when the tables are in other folders
// than `out`, so that they still lead to the same files from `out`'s
// folder. The table is written to a temporary file beside `out` and
// renamed to it only when whole, never over an existing file. Fails, naming
// the file and line, on a table that cannot be read or parsed, a repeated
// row, an `out` that exists or is one of `tables`; `notes` receives what the
// user should know (paths found from the current folder; without `notes`
// they go to standard error). Tables written elsewhere than the folder their
// paths are relative to (the shares of the GIMP engine, in a temporary
// folder) name that folder as `paths_folder`.
bool merge_table_files(const std::vector<std::string>& tables, const std::string& out, std::string* error,
                       std::vector<std::string>* notes = nullptr, const std::string& paths_folder = "");

}  // namespace strandel
