// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/histogram_input.h"

#include <cerrno>
#include <cstdint>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "framework/message_text.h"
#include "framework/number_text.h"

namespace strandel {

namespace {

bool fail(std::string* error, const std::string& name, const std::string& why) {
    if (error) *error = name + ": " + why;
    return false;
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
