// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-chain: see tools/chain_tool.h.
#include <iostream>

#include "tools/chain_tool.h"

int main(int argc, char** argv) { return strandel::run_chain_tool(argc, argv, std::cout, std::cerr); }
