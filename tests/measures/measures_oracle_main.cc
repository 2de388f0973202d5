// SPDX-License-Identifier: GPL-3.0-or-later
// Prints what the measures, the partition and the statistics compute on
// inputs a test script writes, every number with %.17g, for the script to
// hold against the peers researchers trust (scikit-learn, scikit-image,
// SciPy, networkx).
//
//   measures_oracle regions FILE      label planes -> region and boundary measures
//   measures_oracle partition FILE K  histogram -> least-squares partition into K classes
//   measures_oracle ratio FILE C,C..  histogram, centres -> optimal ratio
//   measures_oracle statistics FILE   matrix of values -> Friedman, Nemenyi, Wilcoxon, bootstrap
//   measures_oracle matlab FILE       ground-truth MAT file -> its label planes
#include <cstdio>
#include <cstring>
#include <string>

#include "measures_oracle.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: measures_oracle regions|partition|ratio|statistics|matlab FILE [ARG]\n");
        return 2;
    }
    const std::string what = argv[1];
    try {
        if (what == "regions") return strandel::oracle::print_regions(argv[2]);
        if (what == "partition" && argc == 4) return strandel::oracle::print_partition(argv[2], std::atoi(argv[3]));
        if (what == "ratio" && argc == 4) return strandel::oracle::print_ratio(argv[2], argv[3]);
        if (what == "statistics") return strandel::oracle::print_statistics(argv[2]);
        if (what == "matlab") return strandel::oracle::print_matlab(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "measures_oracle: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "measures_oracle: unknown command or arguments\n");
    return 2;
}
