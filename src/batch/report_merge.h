// SPDX-License-Identifier: GPL-3.0-or-later
// Joining the reports of shards of one benchmark into the report a single
// run would have written.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "batch/shard_marks.h"

namespace strandel {

// One run of a results file: its header (the two empty lines, the algorithm
// line and the column titles, exactly as written) and its image lines, each
// with its position and its text including the line feed.
struct report_run {
    std::string header;
    std::vector<std::pair<int, std::string>> lines;
    // Its end-of-run mark, when a sharded run wrote one after its lines.
    shard_mark mark{};
};

// Reads the last run of the report text `text` (a results file may hold
// several runs, appended one after another). `source` names the text in
// error messages.
bool parse_last_run(const std::string& text, const std::string& source, report_run* run, std::string* error);

// The same for a file, read line by line (only the last run is held), a
// regular file only, each line at most longest_text_line bytes.
bool read_last_run(const std::string& file, report_run* run, std::string* error);

// Joins runs of the same chain and measures: the header once, then every
// line in position order. Fails when the headers differ or a position
// appears twice. `sources` names the runs in error messages.
bool merge_runs(const std::vector<report_run>& runs, const std::vector<std::string>& sources,
                std::string* merged, std::string* error);

// Reads the last run of every shard report and appends the joined run to
// `out`, as a run of the batch would: under the file's lock, line by line,
// so that a failure or a kill leaves whole lines. `out` must not be one of
// the shard reports. With `complete_only`, every last run must end with its
// shard's end mark and the shards must be all of one split
// (check_complete_shards), or nothing is written.
bool merge_report_files(const std::vector<std::string>& shard_reports, const std::string& out,
                        std::string* error, bool complete_only = false);

}  // namespace strandel
