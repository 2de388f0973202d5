// SPDX-License-Identifier: GPL-3.0-or-later
// The seam through which the report page reads images and manual
// segmentations for thumbnails: row by row, so that a thumbnail costs the
// memory of one source row and the thumbnail itself, whatever the image's
// size. The default reads PNG with libpng; another reader (JPEG, TIFF, ...)
// plugs in as any function of this shape.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace strandel {

// A file's pixels, read once from the top: 8 bits a sample, 1 channel
// (gray) or 3 (RGB).
class image_row_source {
public:
    virtual ~image_row_source() = default;
    int width() const { return m_width; }
    int height() const { return m_height; }
    int channels() const { return m_channels; }
    // The next row (width() * channels() bytes), valid until the next call;
    // null when the file turns out to be broken, `why` then says how.
    virtual const unsigned char* next_row(std::string* why) = 0;

protected:
    image_row_source(int width, int height, int channels) : m_width(width), m_height(height), m_channels(channels) {}

private:
    int m_width, m_height, m_channels;
};

// Opens a file for its rows, or returns null with `why` (short and the
// same for files that fail alike, such as "No such file or directory").
using image_opener = std::function<std::unique_ptr<image_row_source>(const std::string& path, std::string* why)>;

}  // namespace strandel
