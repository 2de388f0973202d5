// SPDX-License-Identifier: GPL-3.0-or-later
// The studentized range for infinite degrees of freedom: the range of
// `groups` standard normal draws,
//   P(range <= q) = groups x integral of phi(z) (Phi(z) - Phi(z - q))^(groups - 1) dz,
// integrated by adaptive Gauss-Kronrod and inverted by TOMS 748.
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/tools/roots.hpp>

#include "report_page/rank_tests.h"

namespace strandel {

namespace {

double normal_density(double z) { return std::exp(-0.5 * z * z) / std::sqrt(2 * M_PI); }
double normal_cdf(double z) { return 0.5 * boost::math::erfc(-z / std::sqrt(2.0)); }

double range_cdf(double q, int groups) {
    if (q <= 0) return 0.0;
    const auto integrand = [&](double z) {
        return normal_density(z) * std::pow(normal_cdf(z) - normal_cdf(z - q), groups - 1);
    };
    // Beyond 9 standard deviations on either side nothing is left that a
    // double can see; the integrand lives on [-9, 9 + q].
    double error = 0.0;
    const double integral =
        boost::math::quadrature::gauss_kronrod<double, 61>::integrate(integrand, -9.0, 9.0 + q, 10, 1e-13, &error);
    return groups * integral;
}

}  // namespace

double studentized_range_quantile(double probability, int groups) {
    if (groups < 2 || !(probability > 0 && probability < 1))
        throw std::invalid_argument("the studentized range needs two groups or more and a probability in (0, 1), got " +
                                    std::to_string(groups) + " and " + std::to_string(probability));
    const auto excess = [&](double q) { return range_cdf(q, groups) - probability; };
    // The range of k normals rarely exceeds 2 sqrt(2 ln k) + 8.
    double low = 1e-6, high = 2 * std::sqrt(2 * std::log(static_cast<double>(groups))) + 8.0;
    std::uintmax_t iterations = 200;
    const std::pair<double, double> bracket = boost::math::tools::toms748_solve(
        excess, low, high, boost::math::tools::eps_tolerance<double>(50), iterations);
    return (bracket.first + bracket.second) / 2;
}

}  // namespace strandel
