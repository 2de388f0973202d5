// SPDX-License-Identifier: GPL-3.0-or-later
// The paths a results table names, found from wherever the tool runs. A
// table names its images relative to its own folder (so that a table and
// its benchmark can move together); tables of older runs named them
// relative to the folder the run started in, which is tried when nothing is
// found beside the table.
#pragma once

#include <string>
#include <vector>

#include "report_page/results_table.h"

namespace strandel {

// `path` absolute and lexically normalised ("a/./b/../c" -> "/cwd/a/c"),
// without looking at the file system: one image named by a relative and an
// absolute path gives one string.
std::string normalised_absolute(const std::string& path);

// Resolves the relative paths of one table.
class table_path_resolver {
public:
    // `folder`, when given, is the folder the table's relative paths are
    // relative to, instead of the table's own.
    explicit table_path_resolver(const std::string& table, const std::string& folder = "");
    // Where `path` (as the table writes it) is: absolute paths as they are;
    // a relative one beside the table, or, when nothing is there but it is
    // there from the current folder, from the current folder (counted in
    // from_current_folder()). Always normalised_absolute.
    std::string resolve(const std::string& path);
    const std::string& folder() const { return m_folder; }
    int from_current_folder() const { return m_from_current; }

private:
    std::string m_folder, m_current;
    int m_from_current = 0;
};

// The note saying that `count` relative paths of `table` were found from
// the current folder only.
std::string current_folder_note(const std::string& table, int count);

// Sets image_path and manual_path of every row read from `table`; returns
// a note for the user when some were found only from the current folder
// (empty otherwise).
std::string resolve_paths(std::vector<result_row>& rows, const std::string& table);

}  // namespace strandel
