// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/axis_ticks.h"

#include <cmath>
#include <cstdio>

namespace strandel {

axis nice_axis(double low, double high, int wanted) {
    if (high - low <= 0) {
        const double pad = low == 0 ? 1 : std::fabs(low) * 0.1;
        low -= pad;
        high += pad;
    }
    const double rough = (high - low) / wanted;
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
    a.low = first * step;
    a.high = last * step;
    // Decimals of the step: 0.2 needs one, 0.05 two, 20 none.
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    for (long long k = first; k <= last; ++k) {
        const double value = k * step;
        a.ticks.push_back(value);
        char label[64];
        std::snprintf(label, sizeof label, "%.*f", decimals, value == 0 ? 0.0 : value);  // no "-0"
        a.labels.push_back(label);
    }
    return a;
}

}  // namespace strandel
