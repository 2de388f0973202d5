// SPDX-License-Identifier: GPL-3.0-or-later
// The foot of the report page: how each table was made, from its provenance
// file (batch/provenance.h).
#pragma once

#include <string>
#include <vector>

namespace strandel {

// HTML for the page's footer: per table, the Strandel version and commit,
// engine, chains, seeds, gray-level rules, shard, times, host, images read
// and skipped and the command; a table without a provenance file says so.
std::string provenance_footer(const std::vector<std::string>& tables);

}  // namespace strandel
