// SPDX-License-Identifier: GPL-3.0-or-later
// Joining the results tables of shards of one benchmark into the table a
// single run would have written.
#pragma once

#include <string>
#include <vector>

namespace strandel {

// Whether `file` starts with the results table's header (as opposed to a
// report).
bool is_results_table(const std::string& file);

// Creates `out` (refusing an existing file) with the header once and every
// row of `tables` ordered by chain (in order of first appearance), then by
// position. Fails, naming the file, on a table that cannot be read or
// parsed, and on a (chain, position) given twice.
bool merge_table_files(const std::vector<std::string>& tables, const std::string& out, std::string* error);

}  // namespace strandel
