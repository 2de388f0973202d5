// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/image_header.h"

#include <cstring>

#include "decoding/file_check.h"

namespace strandel {

bool is_palette_header(const unsigned char* bytes, std::size_t size, std::string* kind) {
    static const unsigned char png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    // PNG: the signature, then IHDR first, whose colour type is byte 25.
    if (size >= 26 && std::memcmp(bytes, png_signature, 8) == 0 && std::memcmp(bytes + 12, "IHDR", 4) == 0) {
        if (bytes[25] != 3) return false;
        if (kind) *kind = "an indexed (palette) PNG";
        return true;
    }
    if (size >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0)) {
        if (kind) *kind = "a GIF (GIF images are always indexed)";
        return true;
    }
    // BMP: "BM", then an info header whose bits per pixel sit at byte 28
    // (little-endian 16 bits) in every header version but the old OS/2
    // one, of 12 bytes, where they sit at byte 24.
    if (size >= 30 && bytes[0] == 'B' && bytes[1] == 'M') {
        const unsigned header_size = bytes[14] | bytes[15] << 8 | bytes[16] << 16 | unsigned(bytes[17]) << 24;
        const unsigned at = header_size == 12 ? 24 : 28;
        const unsigned bits = bytes[at] | bytes[at + 1] << 8;
        if (bits == 0 || bits > 8) return false;
        if (kind) *kind = "an indexed (palette) BMP";
        return true;
    }
    return false;
}

bool is_palette_image(const std::string& file, std::string* kind) {
    unsigned char bytes[32];
    return is_palette_header(bytes, read_file_head(file, bytes, sizeof bytes), kind);
}

}  // namespace strandel
