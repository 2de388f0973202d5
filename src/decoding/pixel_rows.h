// SPDX-License-Identifier: GPL-3.0-or-later
// Images read row by row, top to bottom, as the gray levels the histogram
// counts: whoever decodes a file (libpng, the PGM reader, GEGL) hands out
// one row at a time, and a row sink takes the image's gray levels and, when
// a manual segmentation is read along, its labels for the same pixels. No
// whole image is ever held, and no row is handed out before it is decoded.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "batch/image_reader.h"

namespace strandel {

// What a file's rows are read as: an image's gray levels (the gray byte of
// gray pixels, the third byte of colour ones), or a manual segmentation's
// labels (the gray byte of a gray layer).
enum class row_role { image, labels };

// One decoded file, read once from top to bottom.
class pixel_rows {
public:
    virtual ~pixel_rows() = default;
    int width() const { return m_width; }
    int height() const { return m_height; }
    // Whether the file's pixels are colour (counted by the gray_rule).
    bool colour() const { return m_colour; }

    // The next row: `width()` bytes, valid until the next call. Null when
    // the file turns out to be broken; `why` then says how.
    virtual const unsigned char* next_row(std::string* why) = 0;

protected:
    pixel_rows(int width, int height, bool colour = false) : m_width(width), m_height(height), m_colour(colour) {}

private:
    int m_width, m_height;
    bool m_colour;
};

// The rows of a colour file as 8-bit RGB (3 bytes a pixel), top to bottom
// as stored: a colour manual segmentation, which an engine converts to gray
// itself (by luminance, in the colour space of the file's ICC profile),
// then shows in the file's orientation.
class rgb_rows {
public:
    virtual ~rgb_rows() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // The next row; false with the reason when the file breaks.
    virtual bool next_row(unsigned char* rgb, std::string* why) = 0;
    // The EXIF orientation (1 to 8).
    virtual int orientation() const { return 1; }
    // The embedded ICC profile, empty without one.
    virtual std::vector<unsigned char> icc_profile() const { return {}; }
};

// Takes the rows of an image: its gray levels and, when a manual
// segmentation is read along, the labels of the same pixels (else null).
class row_sink {
public:
    virtual ~row_sink() = default;
    virtual void row(int y, const unsigned char* gray, const unsigned char* labels, int width) = 0;
};

// Fills an image_data: the histogram, with labels the pair counts, and
// when asked every pixel's gray level.
class counting_sink : public row_sink {
public:
    // Clears the counts of `data` and marks its gray plane empty (width 0);
    // `with_labels` sets has_manual.
    counting_sink(image_data& data, bool with_labels);
    // Keeps the gray levels of a width x height image in data.gray as well.
    void keep_gray(int width, int height);
    void row(int y, const unsigned char* gray, const unsigned char* labels, int width) override;

private:
    image_data& m_data;
    bool m_keep = false;
};

// Hands every row of `image`, with the row of `labels` beside it when given
// (same size), to `sink`. False, with `why`, when `image` breaks; a broken
// `labels` is reported by `labels_broken` (the rows handed out so far then
// carried labels that are no longer to be trusted).
bool read_rows(pixel_rows& image, pixel_rows* labels, row_sink& sink, std::string* why, bool* labels_broken);

// Opens `file` for reading rows when this reader decodes it itself.
enum class open_result { opened, not_covered, failed };
using rows_opener =
    std::function<open_result(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows, std::string* why)>;

}  // namespace strandel
