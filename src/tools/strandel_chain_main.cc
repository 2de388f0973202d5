// SPDX-License-Identifier: GPL-3.0-or-later
// strandel-chain: see tools/chain_tool.h.
#include <iostream>

#include "decoding/native_image_gegl.h"
#include "tools/chain_tool.h"
#include "framework/temporary_files.h"

int main(int argc, char** argv) {
    strandel::install_tool_signal_handling();
    // Images that the in-process reader does not decode go to GEGL, which
    // the engine prepares before anything else runs.
    const strandel::native_engine engine;
    return strandel::run_chain_tool(argc, argv, std::cout, std::cerr);
}
