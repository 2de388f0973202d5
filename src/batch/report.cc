// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/report.h"

#include <cstdarg>

namespace strandel {

namespace {

void append_format(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void append_format(std::string& out, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
        return;
    }
    // Very long labels or huge values (such as 1e300 printed in full).
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(&big[0], big.size(), format, args);
    va_end(args);
    big.resize(static_cast<std::size_t>(n));
    out += big;
}

}  // namespace

namespace {

std::string column_titles(const measure_list& measures) {
    std::string out = "Image\tNumber of classes\tExecuction Time";
    for (const fitness_function* f : measures) append_format(out, "\t%s", f->label());
    return out + "\tJaccard Distance (Supervised) \n";
}

}  // namespace

std::string scored_report_header(const std::string& name, const measure_list& measures) {
    return "\n\nAlgorithm: " + name + " \n" + column_titles(measures);
}

std::string report_header(const chain& passes, const measure_list& measures) {
    std::string out = "\n\nAlgorithm: ";
    for (const pass& p : passes) append_format(out, "%s ", p.label());
    out += "\n";
    return out + column_titles(measures);
}

std::string report_line(int position, int nr_classes, double seconds,
                        const std::vector<double>& measure_values, const double* jaccard) {
    std::string out;
    append_format(out, "%d\t%d\t%.2f", position, nr_classes, seconds);
    for (double v : measure_values) append_format(out, "\t%.2f", v);
    if (jaccard) append_format(out, "\t%.2f", *jaccard);
    out += "\n";
    return out;
}

}  // namespace strandel
