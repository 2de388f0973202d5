// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/table_writer.h"

#include <fcntl.h>
#include <unistd.h>

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
    return "chain,position,image,manual_segmentation,classes,centres,seconds,turi,dunn,amrane,liu_yang,jaccard\r\n";
}

std::string table_row(const std::string& chain_text, std::size_t position, const image_request& image,
                      const image_rating& rating) {
    std::string centres;
    for (double c : rating.centres) centres += (centres.empty() ? "" : " ") + shortest_decimal(c);
    std::string row = csv_field(chain_text.empty() ? "AiNet" : chain_text) + "," + std::to_string(position) + "," +
                      csv_field(image.image) + "," + csv_field(rating.has_jaccard ? image.manual : "") + "," +
                      std::to_string(rating.centres.size()) + "," + centres + "," + shortest_decimal(rating.seconds);
    for (double v : rating.values) row += "," + shortest_decimal(v);
    row += "," + (rating.has_jaccard ? shortest_decimal(rating.jaccard) : std::string());
    return row + "\r\n";
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
