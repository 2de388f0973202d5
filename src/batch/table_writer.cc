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

std::string table_header() {
    return "chain,position,image,manual_segmentation,classes,centres,seconds,turi,dunn,amrane,liu_yang,jaccard,"
           "status\r\n";
}

std::string table_chain_text(const std::string& chain_text) {
    return chain_text.find_first_not_of(" \t\r\n") == std::string::npos ? "AiNet" : chain_text;
}

std::string table_row(const std::string& chain_text, std::size_t position, const table_paths& paths,
                      const image_rating& rating) {
    std::string centres;
    for (double c : rating.centres) centres += (centres.empty() ? "" : " ") + shortest_decimal(c);
    std::string row = csv_field(table_chain_text(chain_text)) + "," + std::to_string(position) + "," +
                      csv_field(paths.image) + "," + csv_field(rating.has_jaccard ? paths.manual : "") + "," +
                      std::to_string(rating.centres.size()) + "," + centres + "," + shortest_decimal(rating.seconds);
    for (double v : rating.values) row += "," + shortest_decimal(v);
    row += "," + (rating.has_jaccard ? shortest_decimal(rating.jaccard) : std::string());
    return row + ",ok\r\n";
}

std::string skipped_table_row(const std::string& chain_text, std::size_t position, const table_paths& paths,
                              bool manual_used, const std::string& reason) {
    // Every column between the manual segmentation and the status is empty.
    static const std::string header = table_header();
    static const std::string no_values(std::size_t(std::count(header.begin(), header.end(), ',')) - 4, ',');
    return csv_field(table_chain_text(chain_text)) + "," + std::to_string(position) + "," + csv_field(paths.image) +
           "," + csv_field(manual_used ? paths.manual : "") + no_values + "," + csv_field("skipped: " + reason) +
           "\r\n";
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
