// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/axis_ticks.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

namespace strandel {

axis nice_axis(double low, double high, int wanted) {
    if (high - low <= 0) {
        const double pad = low == 0 ? 1 : std::fabs(low) * 0.1;
        low = std::max(low - pad, -DBL_MAX);
        high = std::min(high + pad, DBL_MAX);
    }
    // A range wider than the largest double (from -1e308 to 1e308) is
    // measured in halves.
    const double span = high - low;
    const double rough = std::isfinite(span) ? span / wanted : (high / 2 - low / 2) / wanted * 2;
    const int power = static_cast<int>(std::floor(std::log10(rough)));
    const double unit = std::pow(10.0, power);
    double step = 10 * unit;
    for (double m : {1.0, 2.0, 5.0})
        if (m * unit >= rough) {
            step = m * unit;
            break;
        }
    axis a;
    a.step = step;
    const long long first = static_cast<long long>(std::floor(low / step + 1e-9));
    const long long last = static_cast<long long>(std::ceil(high / step - 1e-9));
    // Ticks past the largest double are no numbers: the axis ends there.
    a.low = std::max(first * step, -DBL_MAX);
    a.high = std::min(last * step, DBL_MAX);
    // Decimals of the step: 0.2 needs one, 0.05 two, 20 none.
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    for (long long k = first; k <= last; ++k) {
        const double value = k * step;
        if (!std::isfinite(value)) continue;
        a.ticks.push_back(value);
        char label[64];
        if (std::fabs(value) >= 1e15)
            std::snprintf(label, sizeof label, "%.3g", value);  // not 309 digits
        else
            std::snprintf(label, sizeof label, "%.*f", decimals, value == 0 ? 0.0 : value);  // no "-0"
        a.labels.push_back(label);
    }
    return a;
}

}  // namespace strandel
