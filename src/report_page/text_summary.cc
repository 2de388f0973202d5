// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/text_summary.h"

#include <algorithm>
#include <cmath>

#include "framework/message_text.h"
#include "report_page/number_format.h"
#include "report_page/statistics.h"

namespace strandel {
namespace {

// Rows of cells printed in columns as wide as their widest cell; the first
// column is left-aligned, numbers right-aligned.
std::string aligned(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> width;
    for (const auto& row : rows)
        for (std::size_t k = 0; k < row.size(); ++k) {
            if (width.size() <= k) width.push_back(0);
            width[k] = std::max(width[k], row[k].size());
        }
    std::string out;
    for (const auto& row : rows) {
        std::string line = "  ";
        for (std::size_t k = 0; k < row.size(); ++k) {
            const std::string pad(width[k] - row[k].size(), ' ');
            line += k == 0 ? row[k] + pad : "  " + pad + row[k];
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

std::string or_dash(double value) { return std::isnan(value) ? "-" : short_number(value); }

std::string counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string chain_numbers(const std::vector<int>& chains) {
    std::string numbers;
    for (int k : chains) numbers += (numbers.empty() ? "" : ", ") + std::to_string(k + 1);
    return (chains.size() == 1 ? "chain " : "chains ") + numbers;
}

// Images no chain could rate, with the table's reasons. Table text goes to
// a terminal only escaped.
std::string skipped_block(const comparison& c) {
    if (c.skipped.empty()) return {};
    std::string out = "\nSkipped (not rated; left out of every figure)\n";
    std::vector<std::vector<std::string>> rows = {{"position", "image", "chains", "reason"}};
    for (const skipped_image& s : c.skipped)
        rows.push_back({std::to_string(s.position), terminal_text(s.image), chain_numbers(s.chains),
                        terminal_text(s.reason)});
    return out + aligned(rows);
}

}  // namespace

std::string text_summary(const comparison& c, const rank_summary& ranks, const std::vector<measure_tests>& tests) {
    const int chains = static_cast<int>(c.chains.size());
    std::string out = counted(chains, "chain", "chains") + ", " + counted(c.images.size(), "image", "images") +
                      " read, " + std::to_string(c.skipped_images()) + " skipped\n";
    for (int k = 0; k < chains; ++k) out += "  " + std::to_string(k + 1) + "  " + terminal_text(c.chains[k]) + "\n";
    for (const measure_tests& t : tests) {
        const int m = t.measure;
        out += "\n" + std::string(measure_title(m)) + " (mean rank over " + std::to_string(ranks.images[m]) +
               " images" + (lower_is_better(m) ? "; lower is better" : "") + ")\n";
        std::vector<std::vector<std::string>> rows = {
            {"chain", "images", "mean", "median", "std", "min", "max", "mean rank", "left out"}};
        for (int k = 0; k < chains; ++k) {
            const summary s = summarize(c.values(k, m));
            std::string left_out;
            const auto add = [&](int n, const char* what) {
                if (n) left_out += (left_out.empty() ? "" : ", ") + std::to_string(n) + " " + what;
            };
            add(s.positive_infinite, "inf");
            add(s.negative_infinite, "-inf");
            add(s.nan, "nan");
            rows.push_back({std::to_string(k + 1), std::to_string(s.count), or_dash(s.mean), or_dash(s.median),
                            or_dash(s.std_dev), or_dash(s.min), or_dash(s.max), or_dash(ranks.mean_rank[k][m]),
                            left_out});
        }
        out += aligned(rows);
        out += tests_text(t);
    }
    out += skipped_block(c);
    out += "\nMean and std are over finite values (\"left out\" counts the others); median, min and max\n"
           "include inf and -inf; nan is left out of all. Rank 1 is the highest value on an image, ties\n"
           "share the mean of their ranks, nan ranks last; only images every chain has are ranked.\n"
           "Distances (variation of information, global consistency error) rank their lowest value first.\n"
           "The tests (Friedman, Wilcoxon signed-rank with Holm's p, bootstrap intervals) take the images on\n"
           "which every chain has a finite value.\n";
    return out;
}

}  // namespace strandel
