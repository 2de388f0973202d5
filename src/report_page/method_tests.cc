// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/method_tests.h"

#include <cmath>
#include <map>

#include "batch/table_writer.h"
#include "report_page/number_format.h"

namespace strandel {
namespace {

// The images on which every one of `methods` has a finite value of
// `measure`, one row each.
value_matrix finite_matrix(const comparison& c, int measure, const std::vector<int>& methods) {
    value_matrix matrix;
    std::vector<double> row;
    for (int i = 0; i < static_cast<int>(c.images.size()); ++i) {
        if (!c.values_on(i, measure, methods, &row)) continue;
        bool finite = true;
        for (double v : row) finite = finite && std::isfinite(v);
        if (finite) matrix.push_back(row);
    }
    return matrix;
}

// Everything but the bootstrap intervals, which test_measures draws for
// several measures at once.
measure_tests test_one(const comparison& c, int measure, value_matrix* matrix_out) {
    measure_tests t;
    t.measure = measure;
    t.methods = c.chains_rating(measure);
    value_matrix& matrix = *matrix_out;
    matrix = finite_matrix(c, measure, t.methods);
    t.images = static_cast<int>(matrix.size());
    if (matrix.empty()) return t;
    const std::size_t methods = t.methods.size();
    t.means.assign(methods, 0.0);
    for (std::size_t k = 0; k < methods; ++k) {
        long double sum = 0;
        for (const auto& row : matrix) sum += row[k];
        t.means[k] = static_cast<double>(sum / matrix.size());
    }
    t.resamples = bootstrap_resamples_for(matrix.size());
    if (methods < 2) return t;
    value_matrix oriented = matrix;
    if (lower_is_better(measure))
        for (auto& row : oriented)
            for (double& v : row) v = -v;
    t.friedman = friedman_test(oriented);
    t.pairs = pairwise_wilcoxon(matrix);
    t.compared = true;
    return t;
}

}  // namespace

int method_slot(const measure_tests& t, int chain) {
    for (std::size_t j = 0; j < t.methods.size(); ++j)
        if (t.methods[j] == chain) return static_cast<int>(j);
    return -1;
}

std::vector<measure_tests> test_measures(const comparison& c, const std::vector<int>& measures) {
    std::vector<measure_tests> all;
    std::vector<value_matrix> matrices(measures.size());
    for (std::size_t j = 0; j < measures.size(); ++j) all.push_back(test_one(c, measures[j], &matrices[j]));
    // The rows a bootstrap draws depend on the number of rows alone (and
    // the seed): the matrices of as many images side by side give each
    // column the interval a call of its own would, from one stream of draws.
    std::map<std::size_t, std::vector<std::size_t>> by_rows;
    for (std::size_t j = 0; j < measures.size(); ++j)
        if (!matrices[j].empty()) by_rows[matrices[j].size()].push_back(j);
    for (const auto& [rows, group] : by_rows) {
        value_matrix side_by_side(rows);
        for (std::size_t j : group)
            for (std::size_t i = 0; i < rows; ++i)
                side_by_side[i].insert(side_by_side[i].end(), matrices[j][i].begin(), matrices[j][i].end());
        const std::vector<interval> intervals = bootstrap_mean_intervals(side_by_side, bootstrap_resamples_for(rows));
        std::size_t column = 0;
        for (std::size_t j : group) {
            all[j].intervals.assign(intervals.begin() + column, intervals.begin() + column + all[j].methods.size());
            column += all[j].methods.size();
        }
    }
    return all;
}

std::string statistics_csv(const comparison& c, const std::vector<measure_tests>& tests) {
    std::string out =
        "measure,method_a,method_b,test,statistic,p_value,p_holm,images,mean_rank,critical_difference,ci_low,"
        "ci_high\r\n";
    for (const measure_tests& t : tests) {
        const std::string measure = measure_column(t.measure), images = std::to_string(t.images);
        const auto method = [&](int j) { return csv_field(c.chains[t.methods[j]]); };
        if (t.compared)
            for (std::size_t k = 0; k < t.methods.size(); ++k)
                out += measure + "," + method(k) + ",,friedman," + full_number(t.friedman.statistic) + "," +
                       full_number(t.friedman.p_value) + ",," + images + "," + full_number(t.friedman.mean_ranks[k]) +
                       "," + full_number(t.friedman.critical_difference) + ",,\r\n";
        for (const pairwise_comparison& p : t.pairs)
            out += measure + "," + method(p.first) + "," + method(p.second) + ",wilcoxon," +
                   full_number(p.test.statistic) + "," + full_number(p.test.p_value) + "," +
                   full_number(p.holm_p_value) + "," + images + ",,,,\r\n";
        for (std::size_t k = 0; k < t.means.size(); ++k)
            out += measure + "," + method(static_cast<int>(k)) + ",,bootstrap_ci95," + full_number(t.means[k]) +
                   ",,," + images + ",,," + full_number(t.intervals[k].low) + "," +
                   full_number(t.intervals[k].high) + "\r\n";
    }
    return out;
}

std::string tests_text(const measure_tests& t) {
    if (t.images == 0) return "  no image on which every chain rating it has a finite value: no test\n";
    std::string out;
    if (t.compared) {
        out += "  Friedman chi-square " + short_number(t.friedman.statistic) + ", p " +
               short_number(t.friedman.p_value) + " over " + std::to_string(t.images) +
               " images; Nemenyi critical difference " + short_number(t.friedman.critical_difference) +
               " (alpha 0.05), mean ranks";
        for (std::size_t k = 0; k < t.methods.size(); ++k)
            out += (k ? ", " : " ") + std::to_string(t.methods[k] + 1) + ": " + short_number(t.friedman.mean_ranks[k]);
        out += "\n";
        for (const pairwise_comparison& p : t.pairs)
            out += "  Wilcoxon " + std::to_string(t.methods[p.first] + 1) + " vs " +
                   std::to_string(t.methods[p.second] + 1) + ": W " +
                   short_number(p.test.statistic) + ", p " + short_number(p.test.p_value) + ", Holm p " +
                   short_number(p.holm_p_value) + (p.holm_p_value < 0.05 ? " (differ)" : "") + "\n";
    }
    out += "  mean and 95% bootstrap interval over those images:";
    for (std::size_t k = 0; k < t.means.size(); ++k)
        out += (k ? ", " : " ") + std::to_string(t.methods[k] + 1) + ": " + short_number(t.means[k]) + " [" +
               short_number(t.intervals[k].low) + ", " + short_number(t.intervals[k].high) + "]";
    return out + "\n";
}

}  // namespace strandel
