// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/rank_tests.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>

#include <boost/math/special_functions/gamma.hpp>

namespace strandel {

namespace {

// Mid-ranks from 1 for the smallest value, as scipy.stats.rankdata; the
// sizes of the tie groups go to `ties` when given.
std::vector<double> mid_ranks(const std::vector<double>& values, std::vector<std::size_t>* ties = nullptr) {
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
    std::vector<double> ranks(values.size());
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i;
        while (j + 1 < order.size() && values[order[j + 1]] == values[order[i]]) ++j;
        const double rank = (static_cast<double>(i) + static_cast<double>(j)) / 2.0 + 1.0;
        for (std::size_t k = i; k <= j; ++k) ranks[order[k]] = rank;
        if (ties && j > i) ties->push_back(j - i + 1);
        i = j + 1;
    }
    return ranks;
}

void check_matrix(const value_matrix& values) {
    if (values.empty() || values[0].size() < 2)
        throw std::invalid_argument("the rank tests need at least one image and two methods");
    for (std::size_t r = 0; r < values.size(); ++r) {
        if (values[r].size() != values[0].size())
            throw std::invalid_argument("image " + std::to_string(r) + " has " + std::to_string(values[r].size()) +
                                        " values, image 0 has " + std::to_string(values[0].size()));
        for (double v : values[r])
            if (std::isnan(v)) throw std::invalid_argument("image " + std::to_string(r) + " has a NaN value");
    }
}

}  // namespace

friedman_result friedman_test(const value_matrix& values) {
    check_matrix(values);
    const std::size_t n = values.size(), k = values[0].size();
    std::vector<long double> rank_sums(k, 0.0L);
    long double ties = 0.0L;
    for (const auto& row : values) {
        std::vector<std::size_t> groups;
        const std::vector<double> ranks = mid_ranks(row, &groups);
        for (std::size_t j = 0; j < k; ++j) rank_sums[j] += ranks[j];
        for (std::size_t t : groups) ties += static_cast<long double>(t) * (static_cast<long double>(t) * t - 1);
    }
    friedman_result result;
    const long double kk = static_cast<long double>(k), nn = static_cast<long double>(n);
    for (long double sum : rank_sums) result.mean_ranks.push_back(static_cast<double>(kk + 1 - sum / nn));
    result.critical_difference = nemenyi_critical_difference(static_cast<int>(k), static_cast<int>(n));
    const long double correction = 1 - ties / (kk * (kk * kk - 1) * nn);
    if (correction <= 0) return result;  // every image ties every method
    long double squares = 0.0L;
    for (long double sum : rank_sums) squares += sum * sum;
    const long double chi2 = (12.0L / (kk * nn * (kk + 1)) * squares - 3 * nn * (kk + 1)) / correction;
    result.statistic = static_cast<double>(chi2);
    result.p_value = boost::math::gamma_q((static_cast<double>(k) - 1) / 2, std::max(0.0, result.statistic) / 2);
    return result;
}

double nemenyi_critical_difference(int methods, int images, double alpha) {
    const double k = methods, n = images;
    return studentized_range_quantile(1 - alpha, methods) / std::sqrt(2.0) * std::sqrt(k * (k + 1) / (6 * n));
}

std::vector<double> holm_adjusted(const std::vector<double>& p_values) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < p_values.size(); ++i)
        if (!std::isnan(p_values[i])) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p_values[a] < p_values[b]; });
    std::vector<double> adjusted(p_values.size(), std::numeric_limits<double>::quiet_NaN());
    const double m = static_cast<double>(order.size());
    double running = 0.0;
    for (std::size_t j = 0; j < order.size(); ++j) {
        running = std::max(running, std::min(1.0, (m - static_cast<double>(j)) * p_values[order[j]]));
        adjusted[order[j]] = running;
    }
    return adjusted;
}

std::vector<pairwise_comparison> pairwise_wilcoxon(const value_matrix& values) {
    check_matrix(values);
    const std::size_t k = values[0].size();
    std::vector<pairwise_comparison> result;
    std::vector<double> p;
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = a + 1; b < k; ++b) {
            std::vector<double> x, y;
            for (const auto& row : values) {
                x.push_back(row[a]);
                y.push_back(row[b]);
            }
            result.push_back({static_cast<int>(a), static_cast<int>(b), wilcoxon_signed_rank(x, y), 0.0});
            p.push_back(result.back().test.p_value);
        }
    const std::vector<double> adjusted = holm_adjusted(p);
    for (std::size_t i = 0; i < result.size(); ++i) result[i].holm_p_value = adjusted[i];
    return result;
}

namespace {

// P(R+ = r) for r = 0 .. n (n + 1) / 2 with n untied ranks, as SciPy
// builds it: each rank added with probability one half. Every value is a
// count over 2^n, exact in a double for n <= 50.
std::vector<double> signed_rank_distribution(std::size_t n) {
    std::vector<double> c(1, 1.0);
    for (std::size_t k = 1; k <= n; ++k) {
        std::vector<double> next(k * (k + 1) / 2 + 1, 0.0);
        for (std::size_t i = 0; i < c.size(); ++i) {
            next[i] += c[i] * 0.5;
            next[i + k] += c[i] * 0.5;
        }
        c.swap(next);
    }
    return c;
}

double exact_two_sided(std::size_t n, double r_plus) {
    const std::vector<double> pmf = signed_rank_distribution(n);
    const std::size_t r = static_cast<std::size_t>(r_plus);  // truncated, as SciPy's int()
    if (r == (pmf.size() - 1) / 2) return 1.0;
    double below = 0.0, above = 0.0;
    for (std::size_t i = 0; i < pmf.size(); ++i) {
        if (i <= r) below += pmf[i];
        if (i >= r) above += pmf[i];
    }
    return std::min(1.0, 2 * std::min(below, above));
}

}  // namespace

signed_rank_result wilcoxon_signed_rank(const std::vector<double>& x, const std::vector<double>& y) {
    if (x.size() != y.size()) throw std::invalid_argument("the signed-rank test needs pairs of values");
    std::vector<double> d(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) d[i] = x[i] - y[i];
    signed_rank_result result;
    if (d.empty()) {
        result.statistic = result.p_value = std::numeric_limits<double>::quiet_NaN();
        return result;
    }
    const bool has_zero = std::count(d.begin(), d.end(), 0.0) != 0;
    result.exact = d.size() <= 50 && !has_zero;
    if (!result.exact) d.erase(std::remove(d.begin(), d.end(), 0.0), d.end());
    if (d.empty()) {  // SciPy refuses this case
        result.p_value = std::numeric_limits<double>::quiet_NaN();
        return result;
    }
    std::vector<double> magnitude(d.size());
    for (std::size_t i = 0; i < d.size(); ++i) magnitude[i] = std::fabs(d[i]);
    std::vector<std::size_t> ties;
    const std::vector<double> ranks = mid_ranks(magnitude, &ties);
    double r_plus = 0.0, r_minus = 0.0;
    for (std::size_t i = 0; i < d.size(); ++i) (d[i] > 0 ? r_plus : r_minus) += ranks[i];
    result.statistic = std::min(r_plus, r_minus);
    if (result.exact) {
        result.p_value = exact_two_sided(d.size(), r_plus);
        return result;
    }
    const double n = static_cast<double>(d.size());
    double variance = n * (n + 1) * (2 * n + 1);
    for (std::size_t t : ties) variance -= 0.5 * static_cast<double>(t) * (static_cast<double>(t) * t - 1);
    const double z = (result.statistic - n * (n + 1) * 0.25) / std::sqrt(variance / 24);
    result.p_value = std::erfc(std::fabs(z) / std::sqrt(2.0));
    return result;
}

}  // namespace strandel
