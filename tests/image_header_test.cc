// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/image_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace strandel {
namespace {

std::vector<unsigned char> png_header(unsigned char colour_type) {
    std::vector<unsigned char> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                    0,    0,   0,   4,   0,    0,    0,    4,    8, colour_type};
    return b;
}

std::vector<unsigned char> bmp_header(unsigned header_size, unsigned bits) {
    std::vector<unsigned char> b(32, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[14] = static_cast<unsigned char>(header_size);
    const unsigned at = header_size == 12 ? 24 : 28;
    b[at] = static_cast<unsigned char>(bits);
    return b;
}

TEST(ImageHeader, PaletteImagesAreRecognised) {
    std::string kind;
    std::vector<unsigned char> b = png_header(3);
    EXPECT_TRUE(is_palette_header(b.data(), b.size(), &kind));
    EXPECT_NE(kind.find("PNG"), std::string::npos);
    for (unsigned char type : {0, 2, 4, 6}) {
        b = png_header(type);
        EXPECT_FALSE(is_palette_header(b.data(), b.size(), nullptr)) << int(type);
    }
    const unsigned char gif[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0};
    EXPECT_TRUE(is_palette_header(gif, sizeof gif, &kind));
    b = bmp_header(40, 8);
    EXPECT_TRUE(is_palette_header(b.data(), b.size(), nullptr));
    b = bmp_header(12, 4);  // the old OS/2 header keeps its bit count elsewhere
    EXPECT_TRUE(is_palette_header(b.data(), b.size(), nullptr));
    b = bmp_header(40, 24);
    EXPECT_FALSE(is_palette_header(b.data(), b.size(), nullptr));
}

TEST(ImageHeader, ShortOrMissingFilesAreNotPaletteImages) {
    const std::vector<unsigned char> b = png_header(3);
    EXPECT_FALSE(is_palette_header(b.data(), 25, nullptr));  // colour type cut off
    EXPECT_FALSE(is_palette_image("/nonexistent/strandel/image.png", nullptr));
}

}  // namespace
}  // namespace strandel
