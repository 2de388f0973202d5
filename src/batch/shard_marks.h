// SPDX-License-Identifier: GPL-3.0-or-later
// How a shard says that it ran to its end. A run given `--shard K/N` ends
// each of its report runs with the line "# end of shard K/N" (reports of
// runs without --shard keep their bytes exactly; a merged report is what
// one run would write, so it has none), and every table gets its
// provenance file (batch/provenance.h) when its run ends. --merge refuses,
// unless asked not to, a shard that lacks its mark, and a set of shards
// that misses one of 0..N-1: a killed shard is named, not merged short.
#pragma once

#include <string>
#include <vector>

namespace strandel {

struct shard_mark {
    bool complete = false;  // the run reached its end
    // The shard it was, when it was one (`count` 0: a run of the whole list).
    int index = 0;
    int count = 0;
};

// "# end of shard K/N\n".
std::string shard_end_line(int index, int count);

// Reads a line (without its line end) as an end mark; false when it is none.
bool parse_shard_end_line(const std::string& line, shard_mark* mark);

// Whether `marks` (one per input, `sources` naming them) are complete runs
// that together cover a whole list: every one complete and, when any was a
// shard, all shards of the same N with each K from 0 to N-1 once. False
// with `error` naming the incomplete inputs or the missing shards.
bool check_complete_shards(const std::vector<shard_mark>& marks, const std::vector<std::string>& sources,
                           std::string* error);

}  // namespace strandel
