// SPDX-License-Identifier: GPL-3.0-or-later
// The settings of a benchmark request that the headless procedure's nine
// arguments do not carry, passed from strandel-bench's GIMP engine to the
// plug-in through the environment GIMP hands its plug-ins (as the list base
// and table folder are): the boundary measures, the gray and level rules,
// the long table, the scored methods and where a GIMP leaves its closing
// counts (which every procedure reads, as the list base).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "batch/benchmark_request.h"

namespace strandel {

// The variables to set for `request` (name, value), those at their
// defaults included, so that a variable inherited from elsewhere never
// applies.
std::vector<std::pair<std::string, std::string>> engine_environment(const benchmark_request& request);

// Reads them into `request`; false with `error` naming the variable and
// value when one is malformed.
bool apply_engine_environment(benchmark_request* request, std::string* error);

// "NAME=PATTERN" as --score gives it; false for text without '='.
bool parse_scored_method(const std::string& text, scored_method* method);

}  // namespace strandel
