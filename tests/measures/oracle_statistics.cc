// SPDX-License-Identifier: GPL-3.0-or-later
// A matrix of values in (one row per image, whitespace between methods),
// the rank tests out; and a MATLAB ground truth in, its label planes out.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "decoding/matlab_ground_truth.h"
#include "measures_oracle.h"
#include "report_page/rank_tests.h"

namespace strandel {
namespace oracle {

namespace {

value_matrix read_matrix(const char* file) {
    std::ifstream in(file);
    if (!in) throw std::runtime_error(std::string("cannot open ") + file);
    value_matrix m;
    for (std::string line; std::getline(in, line);) {
        std::istringstream values(line);
        std::vector<double> row;
        for (std::string v; values >> v;) row.push_back(std::stod(v));
        if (!row.empty()) m.push_back(row);
    }
    return m;
}

}  // namespace

int print_statistics(const char* file) {
    const value_matrix m = read_matrix(file);
    if (m[0].size() >= 2) {
        const friedman_result f = friedman_test(m);
        std::printf("friedman %.17g %.17g\n", f.statistic, f.p_value);
        std::printf("critical_difference %.17g\n", f.critical_difference);
        std::printf("mean_ranks");
        for (double r : f.mean_ranks) std::printf(" %.17g", r);
        std::printf("\n");
        for (const pairwise_comparison& c : pairwise_wilcoxon(m))
            std::printf("wilcoxon %d %d %.17g %.17g %.17g %s\n", c.first, c.second, c.test.statistic, c.test.p_value,
                        c.holm_p_value, c.test.exact ? "exact" : "approx");
    }
    for (std::size_t j = 0; j < m[0].size(); ++j) {
        std::vector<double> column;
        for (const auto& row : m) column.push_back(row[j]);
        const interval i = bootstrap_mean_interval(column);
        std::printf("bootstrap %zu %.17g %.17g\n", j, i.low, i.high);
    }
    return 0;
}

int print_matlab(const char* file) {
    const matlab_ground_truth gt = read_matlab_ground_truth(file);
    if (!gt.error.empty()) {
        std::fprintf(stderr, "%s\n", gt.error.c_str());
        return 1;
    }
    for (const label_plane& p : gt.annotators) {
        std::printf("annotator %d %d", p.width, p.height);
        for (std::uint16_t l : p.labels) std::printf(" %u", static_cast<unsigned>(l));
        std::printf("\n");
    }
    return 0;
}

}  // namespace oracle
}  // namespace strandel
