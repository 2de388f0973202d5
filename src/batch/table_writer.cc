// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/table_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace strandel {

std::string shortest_decimal(double value) {
    if (std::isnan(value)) return "nan";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

namespace {

const char* const region_titles = "rand_index,adjusted_rand,variation_of_information,global_consistency_error,"
                                  "covering,matched_jaccard,matched_dice,boundary_precision,boundary_recall,boundary_f";

std::string optional_value(bool present, double value) { return present ? shortest_decimal(value) : std::string(); }

// The region and boundary columns, each preceded by a comma.
std::string literature_fields(bool regions_present, const region_scores& r, bool boundary_present,
                              const boundary_scores& b) {
    std::string out;
    for (double v : {r.rand_index, r.adjusted_rand, r.variation_of_information, r.global_consistency_error,
                     r.covering, r.matched_jaccard, r.matched_dice})
        out += "," + optional_value(regions_present, v);
    for (double v : {b.precision, b.recall, b.f}) out += "," + optional_value(boundary_present, v);
    return out;
}

}  // namespace

std::string table_header() {
    return std::string("chain,position,image,manual_segmentation,classes,centres,seconds,turi,dunn,amrane,liu_yang,"
                       "jaccard,annotators,") +
           region_titles + ",optimal_ratio,gray,levels,status\r\n";
}

std::string annotator_table_header() {
    return std::string("chain,position,image,annotator,ground_truth,entry,jaccard,") + region_titles + "\r\n";
}

std::string annotator_table_rows(const std::string& chain_text, std::size_t position, const table_paths& paths,
                                 const image_data& data, const image_rating& rating) {
    std::string rows;
    for (std::size_t a = 0; a < rating.annotators.size() && a < data.truths.size(); ++a) {
        const annotator_rating& r = rating.annotators[a];
        const annotator_truth& truth = data.truths[a];
        const std::string file = truth.file < paths.truths.size() ? paths.truths[truth.file] : std::string();
        rows += csv_field(table_chain_text(chain_text)) + "," + std::to_string(position) + "," +
                csv_field(paths.image) + "," + std::to_string(a + 1) + "," + csv_field(file) + "," +
                std::to_string(truth.entry + 1) + "," + shortest_decimal(r.regions.jaccard) +
                literature_fields(true, r.regions, r.has_boundary, r.boundary) + "\r\n";
    }
    return rows;
}

std::string table_chain_text(const std::string& chain_text) {
    return chain_text.find_first_not_of(" \t\r\n") == std::string::npos ? "AiNet" : chain_text;
}

std::string table_row(const std::string& chain_text, std::size_t position, const table_paths& paths,
                      const image_rating& rating, const table_provenance& provenance) {
    std::string centres;
    for (double c : rating.centres) centres += (centres.empty() ? "" : " ") + shortest_decimal(c);
    std::string row = csv_field(table_chain_text(chain_text)) + "," + std::to_string(position) + "," +
                      csv_field(paths.image) + "," + csv_field(rating.has_jaccard ? paths.manual : "") + "," +
                      std::to_string(rating.centres.size()) + "," + centres + "," + shortest_decimal(rating.seconds);
    if (rating.values.empty())
        row += std::string(std::size_t(registered_measures().size()), ',');
    for (double v : rating.values) row += "," + shortest_decimal(v);
    row += "," + optional_value(rating.has_jaccard, rating.jaccard);
    row += "," + std::to_string(rating.has_jaccard ? rating.annotators.size() : 0);
    row += literature_fields(rating.has_jaccard, rating.regions, rating.has_boundary, rating.boundary);
    row += "," + optional_value(rating.has_optimal, rating.optimal);
    row += "," + provenance.gray + "," + provenance.levels;
    return row + ",ok\r\n";
}

std::string skipped_table_row(const std::string& chain_text, std::size_t position, const table_paths& paths,
                              bool manual_used, const std::string& reason, const table_provenance& provenance) {
    // Every column between the manual segmentation and the rules is empty.
    static const std::string header = table_header();
    static const std::string no_values(std::size_t(std::count(header.begin(), header.end(), ',')) - 6, ',');
    return csv_field(table_chain_text(chain_text)) + "," + std::to_string(position) + "," + csv_field(paths.image) +
           "," + csv_field(manual_used ? paths.manual : "") + no_values + "," + provenance.gray + "," +
           provenance.levels + "," + csv_field("skipped: " + reason) + "\r\n";
}

std::FILE* create_table(const std::string& file, std::string* error) {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = errno == EEXIST ? "table '" + file + "' exists already: give a new file (no table is overwritten)"
                                 : "Could not create '" + file + "': " + std::strerror(errno);
        return nullptr;
    }
    std::FILE* f = fdopen(fd, "w");
    if (!f) {
        *error = "Could not create '" + file + "': " + std::strerror(errno);
        close(fd);
        unlink(file.c_str());
    }
    return f;
}

}  // namespace strandel
