// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG files decoded row by row with libjpeg(-turbo), as GIMP's own JPEG
// loader decodes them, so that both engines read every JPEG alike: the
// floating-point inverse DCT, fancy upsampling, CMYK taken as Adobe's
// inverted CMYK, a file cut short decoded up to its end with the missing
// data filled as libjpeg fills it, the EXIF orientation applied. An error
// is reported, never a reason to end the process.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "decoding/pixel_rows.h"

namespace strandel {

// One JPEG file being decoded, top to bottom, in the stored orientation.
class jpeg_decoder {
public:
    // `memory_limit`: bytes libjpeg may hold for a file (0: no limit), so
    // that a few bytes declaring a huge progressive image are refused
    // rather than allocated for.
    explicit jpeg_decoder(std::size_t memory_limit = 0);
    ~jpeg_decoder();
    jpeg_decoder(const jpeg_decoder&) = delete;
    jpeg_decoder& operator=(const jpeg_decoder&) = delete;

    // Reads the header and starts decoding; false with the reason (the
    // system's for a file that cannot be opened, libjpeg's otherwise, or
    // the size for an image too large to count, refused before a row is
    // decoded).
    bool open(const std::string& file, std::string* why);

    // Stored size (before the orientation is applied).
    int width() const;
    int height() const;
    // 1 for gray files, 3 for every other (YCbCr, RGB, CMYK, YCCK): the
    // bytes per pixel read_row writes.
    int channels() const;
    // The EXIF orientation (1 to 8), 1 when the file has none.
    int orientation() const { return m_orientation; }
    // The embedded ICC profile, empty when there is none: the colour space
    // a conversion to gray must happen in.
    const std::vector<unsigned char>& icc_profile() const { return m_icc; }

    // The next stored row, channels() bytes per pixel; false with libjpeg's
    // reason when the data is broken beyond what it reads past.
    bool read_row(unsigned char* row, std::string* why);

    struct state;

private:
    std::unique_ptr<state> m_state;
    std::size_t m_memory_limit;
    std::vector<unsigned char> m_icc;
    int m_orientation = 1;
};

// Opens a JPEG for its rows: gray levels of a gray JPEG (image or labels)
// or the third (blue) byte of a colour one (image), the EXIF orientation
// applied as GIMP applies it. Colour JPEGs as labels are not covered: their
// conversion to gray is left to a colour-managed decoder.
open_result open_jpeg_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                           std::string* why);

// Opens a colour JPEG for its RGB rows (a gray one is not covered).
open_result open_jpeg_rgb_rows(const std::string& file, std::unique_ptr<rgb_rows>* rows, std::string* why);

// The rows of `stored` as they are shown with an EXIF orientation (1 to
// 8; 5 to 8 swap width and height). Any orientation but 1 holds the
// image's levels whole once the first row is asked for: rows read in
// another order than they are stored cannot be had otherwise.
std::unique_ptr<pixel_rows> oriented_rows(std::unique_ptr<pixel_rows> stored, int orientation);

// Whether the bytes start as a JPEG does (the start-of-image marker).
bool has_jpeg_signature(const unsigned char* bytes, std::size_t size);

// Whether the file starts so (false when it cannot be read).
bool is_jpeg_file(const std::string& file);

// The orientation an EXIF block (the APP1 marker's body, from "Exif")
// declares: 1 to 8, or 1 when it declares none or cannot be parsed.
int exif_orientation(const unsigned char* bytes, std::size_t size);

}  // namespace strandel
