// strandel-chain: see driver/chain_tool.h.
#include <iostream>

#include "driver/chain_tool.h"

int main(int argc, char** argv) { return strandel::run_chain_tool(argc, argv, std::cout, std::cerr); }
