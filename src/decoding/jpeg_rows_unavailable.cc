// SPDX-License-Identifier: GPL-3.0-or-later
// jpeg_rows.h in a build without libjpeg: every JPEG file is refused by name.
#include "decoding/format_unavailable.h"
#include "decoding/jpeg_rows.h"

namespace strandel {

namespace {

std::string refusal() { return format_unavailable("JPEG", "libjpeg", "libjpeg62-turbo-dev"); }

}  // namespace

struct jpeg_decoder::state {};

jpeg_decoder::jpeg_decoder(std::size_t memory_limit) : m_memory_limit(memory_limit) {}
jpeg_decoder::~jpeg_decoder() = default;

bool jpeg_decoder::open(const std::string&, std::string* why) {
    *why = refusal();
    return false;
}
int jpeg_decoder::width() const { return 0; }
int jpeg_decoder::height() const { return 0; }
int jpeg_decoder::channels() const { return 1; }
bool jpeg_decoder::read_row(unsigned char*, std::string* why) {
    *why = refusal();
    return false;
}

open_result open_jpeg_rows(const std::string&, row_role, std::unique_ptr<pixel_rows>*, std::string* why) {
    *why = refusal();
    return open_result::failed;
}

open_result open_jpeg_rgb_rows(const std::string&, std::unique_ptr<rgb_rows>*, std::string* why) {
    *why = refusal();
    return open_result::failed;
}

// Orientations other than 1 come only from JPEG files, which this build
// never opens.
std::unique_ptr<pixel_rows> oriented_rows(std::unique_ptr<pixel_rows> stored, int) { return stored; }

int exif_orientation(const unsigned char*, std::size_t) { return 1; }

}  // namespace strandel
