// SPDX-License-Identifier: GPL-3.0-or-later
// The batch report: one header per run and one tab-separated line per image,
// appended to the results file. Everything here is free of GIMP so that every
// engine (the GIMP plug-in, a headless runner) writes the same report.
#pragma once

#include <string>
#include <vector>

#include "batch/registration.h"
#include "framework/chain.h"

namespace strandel {

// "\n\nAlgorithm: " + one "label " per pass + the column titles line.
std::string report_header(const chain& passes, const measure_list& measures);

// The header of a scored method's run: "Algorithm: NAME " and the titles.
std::string scored_report_header(const std::string& name, const measure_list& measures);

// One image's line. `jaccard` is null when the image has no manual
// segmentation: the column is then left out.
std::string report_line(int position, int nr_classes, double seconds,
                        const std::vector<double>& measure_values, const double* jaccard);

}  // namespace strandel
