// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/histogram_input.h"

#include <cerrno>
#include <cstdint>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "framework/message_text.h"
#include "framework/number_text.h"

namespace strandel {

namespace {

bool fail(std::string* error, const std::string& name, const std::string& why) {
    if (error) *error = name + ": " + why;
    return false;
}

// Skips white space and '#' comments (which run to the end of the line)
// between header fields.
void skip_header_gap(std::istream& in) {
    for (;;) {
        const int c = in.peek();
        if (c == '#') {
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            in.get();
        } else {
            return;
        }
    }
}

// One unsigned decimal header field; false when there is none or it exceeds
// `limit`.
bool read_header_number(std::istream& in, std::uint64_t limit, std::uint64_t* value) {
    skip_header_gap(in);
    std::uint64_t v = 0;
    bool any = false;
    while (in.peek() >= '0' && in.peek() <= '9') {
        v = v * 10 + static_cast<unsigned>(in.get() - '0');
        if (v > limit) return false;
        any = true;
    }
    *value = v;
    return any;
}

// The longest count worth reading: "+2147483647" with room for a few
// leading zeros. Anything longer is refused without being held whole.
constexpr std::size_t max_count_text = 20;

// One whitespace-separated token, read up to one byte past max_count_text.
// False at the end of the input.
bool read_count_token(std::istream& in, std::string* token) {
    token->clear();
    int c;
    while ((c = in.get()) != EOF && std::isspace(c)) {
    }
    if (c == EOF) return false;
    do {
        token->push_back(static_cast<char>(c));
    } while (token->size() <= max_count_text && (c = in.get()) != EOF && !std::isspace(c));
    return true;
}

bool open_file(std::ifstream& file, const std::string& path, std::string* error) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) return fail(error, path, "is a directory, not a file");
    file.open(path, std::ios::binary);
    if (file) return true;
    const int saved = errno;
    return fail(error, path, std::string("cannot open: ") + (saved ? std::strerror(saved) : "unknown error"));
}

}  // namespace

bool read_pgm_histogram(std::istream& in, const std::string& name, histogram& h, std::string* error) {
    char magic[2] = {0, 0};
    in.read(magic, 2);
    if (in.gcount() != 2 || magic[0] != 'P')
        return fail(error, name, "not a PGM image (no \"P5\" at the start)");
    if (magic[1] == '2')
        return fail(error, name, "plain (ASCII, \"P2\") PGM is not supported, only binary \"P5\"");
    if (magic[1] != '5')
        return fail(error, name,
                    std::string("\"P") + magic[1] + "\" is not a gray-level binary PGM (\"P5\")");

    const std::uint64_t max_dimension = std::numeric_limits<std::int32_t>::max();
    std::uint64_t width = 0, height = 0, maxval = 0;
    if (!read_header_number(in, max_dimension, &width) || width == 0)
        return fail(error, name, "bad or missing width in the PGM header");
    if (!read_header_number(in, max_dimension, &height) || height == 0)
        return fail(error, name, "bad or missing height in the PGM header");
    if (!read_header_number(in, 65535, &maxval) || maxval == 0)
        return fail(error, name, "bad or missing maxval in the PGM header");
    if (maxval > 255)
        return fail(error, name,
                    "maxval " + std::to_string(maxval) + " means 16-bit samples; only 8-bit (maxval 1 to 255) is supported");
    const int separator = in.get();
    if (separator != ' ' && separator != '\t' && separator != '\r' && separator != '\n')
        return fail(error, name, "no white space between the PGM header and the pixels");

    const std::uint64_t pixels = width * height;
    if (pixels > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return fail(error, name,
                    std::to_string(width) + "x" + std::to_string(height) +
                        " pixels is too many: a gray level's count must fit a 32-bit integer");

    clear_histogram(h);
    std::vector<char> buffer(65536);
    std::uint64_t read = 0;
    while (read < pixels) {
        const std::uint64_t want = std::min<std::uint64_t>(buffer.size(), pixels - read);
        in.read(buffer.data(), static_cast<std::streamsize>(want));
        const std::uint64_t got = static_cast<std::uint64_t>(in.gcount());
        for (std::uint64_t i = 0; i < got; ++i) {
            const unsigned sample = static_cast<unsigned char>(buffer[i]);
            if (sample > maxval)
                return fail(error, name,
                            "pixel " + std::to_string(read + i) + " has value " + std::to_string(sample) +
                                ", above maxval " + std::to_string(maxval));
            ++h[static_cast<unsigned>((sample * 255 + maxval / 2) / maxval)];
        }
        read += got;
        if (got < want)
            return fail(error, name,
                        "truncated: " + std::to_string(width) + "x" + std::to_string(height) + " = " +
                            std::to_string(pixels) + " pixels expected, " + std::to_string(read) + " found");
    }
    return true;
}

bool read_pgm_histogram_file(const std::string& path, histogram& h, std::string* error) {
    std::ifstream file;
    if (!open_file(file, path, error)) return false;
    return read_pgm_histogram(file, path, h, error);
}

bool read_histogram_counts(std::istream& in, const std::string& name, histogram& h, std::string* error) {
    const std::uint64_t limit = std::numeric_limits<std::int32_t>::max();
    histogram counts;
    unsigned n = 0;
    std::string token;
    while (read_count_token(in, &token)) {
        if (n == 256) return fail(error, name, "more than 256 counts");
        if (token.size() > max_count_text)
            return fail(error, name,
                        "count of gray level " + std::to_string(n) + " starts \"" + message_quote(token) +
                            "\" and is longer than " + std::to_string(max_count_text) + " characters");
        long long v = 0;
        if (!parse_integer(token, 0, static_cast<long long>(limit), &v))
            return fail(error, name,
                        "count of gray level " + std::to_string(n) + " is \"" + message_quote(token) +
                            "\", not an integer from 0 to " + std::to_string(limit));
        counts[n++] = static_cast<std::int32_t>(v);
    }
    if (in.bad()) return fail(error, name, "read error");
    if (n != 256) return fail(error, name, std::to_string(n) + " counts, expected 256 (gray levels 0 to 255)");
    h = counts;
    return true;
}

bool read_histogram_counts_file(const std::string& path, histogram& h, std::string* error) {
    std::ifstream file;
    if (!open_file(file, path, error)) return false;
    return read_histogram_counts(file, path, h, error);
}

}  // namespace strandel
