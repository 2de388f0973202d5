// SPDX-License-Identifier: GPL-3.0-or-later
// Entry point of the batch plug-in process: GIMP drives it from here.
#include "driver/strandel_batch_gimp.h"

int main(int argc, char* argv[]) { return gimp_main(&strandel::PLUG_IN_INFO, argc, argv); }
