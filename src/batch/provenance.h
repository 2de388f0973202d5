// SPDX-License-Identifier: GPL-3.0-or-later
// The provenance file beside every results table, TABLE.csv.json: which
// Strandel made the table, how (engine, every option and chain, seeds, the
// gray-level rules), when, where, and what it read and skipped. It is
// written when the run ends, to a temporary file renamed into place, so its
// presence with "complete": true is also the table's end-of-run mark.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "batch/shard_marks.h"

namespace strandel {

// TABLE + ".json".
std::string provenance_path(const std::string& table);

// The fields every provenance file starts with: its format, Strandel's
// version and commit, the host and the time (`start`, `end`: seconds since
// the epoch, written in UTC as 2026-12-07T19:40:00Z).
nlohmann::ordered_json provenance_base(long long start, long long end);

// UTC time as the file writes it.
std::string utc_time_text(long long seconds_since_epoch);

// Writes `record` (with "complete": true added) beside `table`, replacing
// an older one. False with `error` naming the file.
bool write_provenance(const std::string& table, nlohmann::ordered_json record, std::string* error);

// Reads the provenance of `table`. False with `error` when there is none or
// it does not read (a regular file of at most 16 MiB of JSON).
bool read_provenance(const std::string& table, nlohmann::ordered_json* record, std::string* error);

// The end-of-run mark a provenance record gives (incomplete for anything
// but a complete record; the shard from its "shard" field).
shard_mark provenance_mark(const nlohmann::ordered_json& record);

}  // namespace strandel
