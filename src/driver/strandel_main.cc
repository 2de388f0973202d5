// SPDX-License-Identifier: GPL-3.0-or-later
// Entry point of the interactive segmentation plug-in process.
#include "driver/segment_procedure_gimp.h"

int main(int argc, char* argv[]) { return gimp_main(&strandel::segment_plug_in_info, argc, argv); }
