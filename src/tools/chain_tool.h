// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-chain: runs one chain of passes on one image's histogram and
// prints the classes and every registered measure, as the batch worker
// computes them, without GIMP.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace strandel {

// `args` are the command-line arguments without the program name. Results go
// to `out`, messages to `err`; returns the exit status (tools/exit_status.h).
int run_chain_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// argv form, for main.
int run_chain_tool(int argc, const char* const argv[], std::ostream& out, std::ostream& err);

// The --help text, with every registered pass's parameters and ranges.
std::string chain_tool_usage();

}  // namespace strandel
