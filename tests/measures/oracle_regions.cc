// SPDX-License-Identifier: GPL-3.0-or-later
// Label planes in, every region and boundary measure out.
//
// Input (little-endian): uint32 width, height, annotators; 256 int32 class
// indices (the class of each gray level); width x height gray levels
// (uint8); then per annotator width x height labels (uint16).
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "evaluation/boundary_measures.h"
#include "evaluation/contingency_table.h"
#include "evaluation/label_pair_counts.h"
#include "evaluation/matched_regions.h"
#include "evaluation/optimal_partition.h"
#include "evaluation/region_measures.h"
#include "measures_oracle.h"

namespace strandel {
namespace oracle {

namespace {

class byte_reader {
public:
    explicit byte_reader(const char* file) {
        std::ifstream in(file, std::ios::binary);
        if (!in) throw std::runtime_error(std::string("cannot open ") + file);
        m_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(take(2)); }
    std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)); }

private:
    std::uint64_t take(int n) {
        if (m_at + static_cast<std::size_t>(n) > m_bytes.size()) throw std::runtime_error("input ends early");
        std::uint64_t v = 0;
        for (int k = 0; k < n; ++k) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(m_bytes[m_at++])) << (8 * k);
        return v;
    }
    std::string m_bytes;
    std::size_t m_at = 0;
};

void print_region_measures(std::size_t annotator, const contingency_table& t) {
    const matched_overlap m = match_regions(t);
    std::printf("a%zu rows %d columns %d\n", annotator, t.rows(), t.columns());
    std::printf("a%zu rand_index %.17g\n", annotator, rand_index(t));
    std::printf("a%zu adjusted_rand %.17g\n", annotator, adjusted_rand(t));
    std::printf("a%zu variation_of_information %.17g\n", annotator, variation_of_information(t));
    std::printf("a%zu global_consistency_error %.17g\n", annotator, global_consistency_error(t));
    std::printf("a%zu covering %.17g\n", annotator, covering(t));
    std::printf("a%zu matched_jaccard %.17g\n", annotator, m.jaccard);
    std::printf("a%zu matched_dice %.17g\n", annotator, m.dice);
    // The pairs as (class index, ground-truth label).
    std::printf("a%zu pairs", annotator);
    for (const auto& p : m.pairs)
        std::printf(" %d:%u", t.class_of_row[static_cast<std::size_t>(p.first)],
                    static_cast<unsigned>(t.label_of_column[static_cast<std::size_t>(p.second)]));
    std::printf("\n");
}

}  // namespace

int print_regions(const char* file) {
    byte_reader in(file);
    const int width = static_cast<int>(in.u32()), height = static_cast<int>(in.u32());
    const std::size_t annotators = in.u32(), pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    class_lookup classes;
    for (int& c : classes) c = static_cast<std::int32_t>(in.u32());
    std::vector<unsigned char> grays(pixels);
    for (unsigned char& g : grays) g = in.u8();
    const label_plane segmentation = class_plane(grays.data(), width, height, classes);

    std::vector<label_plane> truths;
    label_pair_counts counts;
    for (std::size_t a = 0; a < annotators; ++a) {
        label_plane truth{width, height, std::vector<std::uint16_t>(pixels)};
        for (std::uint16_t& l : truth.labels) l = in.u16();
        counts.clear();
        counts.add_pixels(grays.data(), truth.labels.data(), pixels);
        print_region_measures(a, make_contingency_table(counts.pairs(), classes));
        const boundary_matching m = match_boundaries(segmentation, truth);
        std::printf("a%zu boundary segmentation %zu truth %zu matched %" PRIu64 "\n", a, m.segmentation_boundary.size(),
                    m.truth_boundary.size(), m.matched);
        // The matching as (segmentation pixel, truth pixel) indices.
        std::printf("a%zu matching", a);
        for (std::size_t k = 0; k < m.partner.size(); ++k)
            if (m.partner[k] != unmatched) std::printf(" %u:%u", m.segmentation_boundary[k], m.truth_boundary[m.partner[k]]);
        std::printf("\n");
        truths.push_back(std::move(truth));
    }
    if (!truths.empty()) {
        const boundary_scores s = boundary_measures(segmentation, truths);
        std::printf("boundary_counts %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 "\n", s.segmentation_matched,
                    s.segmentation_pixels, s.truth_matched, s.truth_pixels);
        std::printf("boundary_precision %.17g\nboundary_recall %.17g\nboundary_f %.17g\n", s.precision, s.recall, s.f);
    }
    return 0;
}

namespace {

histogram read_histogram(const char* file) {
    std::ifstream in(file);
    if (!in) throw std::runtime_error(std::string("cannot open ") + file);
    histogram h;
    for (std::int32_t& c : h.counts)
        if (!(in >> c)) throw std::runtime_error(std::string("fewer than 256 counts in ") + file);
    return h;
}

}  // namespace

int print_partition(const char* file, int classes) {
    const histogram_partition p = least_squares_partition(read_histogram(file), classes);
    std::printf("within_squares %.17Lg\n", p.within_squares);
    for (const gray_run& run : p.classes) std::printf("class %d %d %.17g\n", run.first, run.last, run.mean());
    return 0;
}

int print_ratio(const char* file, const char* centre_list) {
    std::vector<double> centres;
    std::stringstream list(centre_list);
    for (std::string item; std::getline(list, item, ',');) centres.push_back(std::stod(item));
    const histogram h = read_histogram(file);
    std::printf("chain_within_squares %.17Lg\n", chain_within_squares(h, centres));
    std::printf("optimal_ratio %.17g\n", optimal_ratio(h, centres));
    return 0;
}

}  // namespace oracle
}  // namespace strandel
