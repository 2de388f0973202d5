// SPDX-License-Identifier: GPL-3.0-or-later
// The strandel-benchmark plug-in: the batch run without a dialog, for
// scripts and the strandel-bench runner.
//
//   plug-in-strandel-benchmark (run-mode chain list-file results-file seed)
//   plug-in-strandel-benchmark-share (... seed first stride)
//   plug-in-strandel-benchmark-floor (run-mode list-file)
//   plug-in-strandel-benchmark-seeded (run-mode chains list-file results-file
//                                      seed-each first stride table-file ground-truth)
//
// The first two write the same report as the batch dialog (the second only
// the positions p with p % stride == first, so that parallel GIMPs can share
// a list); the third only loads every image and its manual segmentation and
// reads their pixels once, the cost below which no engine inside GIMP can
// go. The fourth is the second for several chains (one a line) on one
// loading of every image, with srand(seed-each + p) before each chain on
// the image at position p, an optional results table and ground-truth
// pattern: a new procedure, so that scripts calling the others keep
// working. Each returns the number of images it handled; on failure the status
// is a calling or execution error followed by a message.
#pragma once

#include <libgimp/gimp.h>

namespace strandel {

extern const GimpPlugInInfo benchmark_plug_in_info;

extern const char* const benchmark_procedure;
extern const char* const benchmark_share_procedure;
extern const char* const benchmark_floor_procedure;
extern const char* const benchmark_seeded_procedure;

}  // namespace strandel
