// SPDX-License-Identifier: GPL-3.0-or-later
// Entry point of the strandel-benchmark plug-in process.
#include "driver/benchmark_plugin_gimp.h"

int main(int argc, char* argv[]) { return gimp_main(&strandel::benchmark_plug_in_info, argc, argv); }
