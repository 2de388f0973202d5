// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/pgm_rows.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "decoding/file_check.h"
#include "decoding/wide_image.h"

namespace strandel {

namespace {

class pgm_file_rows : public pixel_rows {
public:
    pgm_file_rows(std::FILE* file, int width, int height)
        : pixel_rows(width, height), m_file(file), m_row(static_cast<std::size_t>(width)) {
        std::setvbuf(m_file, nullptr, _IOFBF, 65536);
    }
    ~pgm_file_rows() override { std::fclose(m_file); }

    const unsigned char* next_row(std::string* why) override {
        if (std::fread(m_row.data(), 1, m_row.size(), m_file) == m_row.size()) {
            ++m_rows;
            return m_row.data();
        }
        *why = "truncated PGM: " + std::to_string(width()) + "x" + std::to_string(height()) + " pixels declared, " +
               std::to_string(m_rows) + " whole rows found";
        return nullptr;
    }

private:
    std::FILE* m_file;
    std::vector<unsigned char> m_row;
    int m_rows = 0;
};

// One unsigned decimal header field after white space and '#' comments;
// -1 when there is none or it exceeds `limit`.
long long header_number(std::FILE* f, long long limit) {
    int c = std::getc(f);
    for (;;) {
        if (c == '#')
            while (c != '\n' && c != EOF) c = std::getc(f);
        else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v')
            c = std::getc(f);
        else
            break;
    }
    long long value = -1;
    for (; c >= '0' && c <= '9'; c = std::getc(f)) {
        value = (value < 0 ? 0 : value * 10) + (c - '0');
        if (value > limit) return -1;
    }
    if (c != EOF) std::ungetc(c, f);
    return value;
}

}  // namespace

open_result open_pgm_rows(const std::string& file, row_role, std::unique_ptr<pixel_rows>* rows, std::string* why) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        *why = std::strerror(errno);
        return open_result::failed;
    }
    const long long limit = 0x7fffffff;
    const bool p5 = std::getc(f) == 'P' && std::getc(f) == '5';
    const long long width = p5 ? header_number(f, limit) : -1;
    const long long height = width > 0 ? header_number(f, limit) : -1;
    const long long maxval = height > 0 ? header_number(f, 65535) : -1;
    const int separator = maxval > 0 ? std::getc(f) : EOF;
    if (!p5 || width <= 0 || height <= 0 || maxval <= 0 ||
        (separator != ' ' && separator != '\t' && separator != '\r' && separator != '\n')) {
        std::fclose(f);
        *why = "not a binary PGM (bad or missing \"P5\" header)";
        return open_result::failed;
    }
    if (!fits_histogram(width, height, why)) {
        std::fclose(f);
        return open_result::failed;
    }
    if (maxval != 255) {
        std::fclose(f);
        return open_result::not_covered;
    }
    // A header is a few bytes, a row can be two gigabytes: a file too short
    // for its pixels is refused before any row is allocated.
    struct stat info;
    const long at = std::ftell(f);
    const long long present = fstat(fileno(f), &info) == 0 && at >= 0 ? info.st_size - at : 0;
    if (present < width * height) {
        std::fclose(f);
        *why = "truncated PGM: " + std::to_string(width) + "x" + std::to_string(height) +
               " pixels declared, the file holds " + std::to_string(present) + " of their " +
               std::to_string(width * height) + " bytes";
        return open_result::failed;
    }
    *rows = std::make_unique<pgm_file_rows>(f, int(width), int(height));
    return open_result::opened;
}

namespace {

// The header of a binary PGM: false when `f` holds none.
bool read_pgm_header(std::FILE* f, long long* width, long long* height, long long* maxval) {
    const bool p5 = std::getc(f) == 'P' && std::getc(f) == '5';
    *width = p5 ? header_number(f, 0x7fffffff) : -1;
    *height = *width > 0 ? header_number(f, 0x7fffffff) : -1;
    *maxval = *height > 0 ? header_number(f, 65535) : -1;
    const int separator = *maxval > 0 ? std::getc(f) : EOF;
    return p5 && *width > 0 && *height > 0 && *maxval > 0 &&
           (separator == ' ' || separator == '\t' || separator == '\r' || separator == '\n');
}

}  // namespace

long long pgm_maxval(const std::string& file) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return 0;
    long long width = 0, height = 0, maxval = 0;
    const bool header = read_pgm_header(f, &width, &height, &maxval);
    std::fclose(f);
    return header ? maxval : 0;
}

bool read_pgm_samples(const std::string& file, wide_image* image, std::string* why) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        *why = std::strerror(errno);
        return false;
    }
    long long width = 0, height = 0, maxval = 0;
    if (!read_pgm_header(f, &width, &height, &maxval) || maxval <= 255) {
        std::fclose(f);
        *why = "not a binary PGM of maxval above 255";
        return false;
    }
    if (!fits_histogram(width, height, why)) {
        std::fclose(f);
        return false;
    }
    struct stat info;
    const long at = std::ftell(f);
    const long long present = fstat(fileno(f), &info) == 0 && at >= 0 ? info.st_size - at : 0;
    if (present < 2 * width * height) {
        std::fclose(f);
        *why = "truncated PGM: " + std::to_string(width) + "x" + std::to_string(height) +
               " pixels of 2 bytes declared, the file holds " + std::to_string(present) + " bytes";
        return false;
    }
    std::vector<unsigned char> bytes(std::size_t(2 * width * height));
    const bool whole = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::fclose(f);
    if (!whole) {
        *why = "truncated PGM";
        return false;
    }
    image->width = int(width);
    image->height = int(height);
    image->channels = 1;
    image->samples.resize(bytes.size() / 2);
    for (std::size_t i = 0; i < image->samples.size(); ++i)
        image->samples[i] = static_cast<std::uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    return true;
}

}  // namespace strandel
