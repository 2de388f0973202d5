// SPDX-License-Identifier: GPL-3.0-or-later
// Which decoder a file is for, told by its first bytes: apart from the
// decoders, so that a build without libjpeg, libtiff or giflib still tells
// those files and refuses them by name.
#include <cstring>

#include "decoding/file_check.h"
#include "decoding/gif_rows.h"
#include "decoding/jpeg_rows.h"
#include "decoding/tiff_check.h"

namespace strandel {

bool has_jpeg_signature(const unsigned char* bytes, std::size_t size) {
    return size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
}

bool is_jpeg_file(const std::string& file) {
    unsigned char head[2];
    return has_jpeg_signature(head, read_file_head(file, head, sizeof head));
}

bool has_gif_signature(const unsigned char* bytes, std::size_t size) {
    return size >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0);
}

bool has_tiff_signature(const unsigned char* bytes, std::size_t size) {
    if (size < 4) return false;
    const bool little = bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0;
    const bool big = bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43);
    return little || big;
}

}  // namespace strandel
