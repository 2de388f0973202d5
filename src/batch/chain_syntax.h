// SPDX-License-Identifier: GPL-3.0-or-later
// A chain of passes written as text, for the command line and for callers
// that cannot show the chain editor:
//
//   K-Means(10, 3); Fuzzy C-Means
//
// Passes are separated by ';'. Each is a pass label exactly as registered,
// optionally followed by all of its parameters in parentheses, in table
// order, separated by commas; without parentheses the pass keeps its
// defaults. White space around labels and numbers is ignored. An empty text
// is the default chain: one AiNet pass with default parameters.
#pragma once

#include <string>
#include <vector>

#include "framework/chain.h"
#include "framework/pass.h"

namespace strandel {

// Label of the pass that makes up the default chain.
extern const char* const default_pass_label;

// Appends to `passes` clones of the registered prototypes described by
// `text`, with the parameter values given. On a bad text nothing is
// appended, `error` says what is wrong (naming the pass, the parameter and
// its range) and the result is false.
bool parse_chain(const std::string& text, chain& passes, std::string* error = nullptr);

// The same against an explicit list of prototypes (not owned).
bool parse_chain(const std::string& text, const std::vector<pass*>& prototypes, chain& passes,
                 std::string* error = nullptr);

// Writes `chain` in the syntax above with every parameter given, doubles
// with 17 significant digits, so that parsing the text restores the same
// values exactly.
std::string format_chain(const chain& passes);

}  // namespace strandel
