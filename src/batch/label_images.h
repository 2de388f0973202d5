// SPDX-License-Identifier: GPL-3.0-or-later
// Segmentations saved as label images: where each one goes, which class each
// gray level gets, and the seam through which an engine writes them (the
// batch itself encodes no image format).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/image_reader.h"
#include "framework/histogram.h"

namespace strandel {

// An image's file name without its folder and last extension ("a/b.c.png"
// -> "b.c"); a name whose only dot leads it is kept whole.
std::string file_stem(const std::string& image);

// DIR/STEM.N.png: the label image of chain number `chain_number` (from 1).
std::string label_image_path(const std::string& folder, const std::string& image, int chain_number);

// Two images of a list whose label images would be one file. False, naming
// both images and the stem, when there are.
bool stems_distinct(const std::vector<image_request>& images, std::string* error);

// The class of every gray level present in `h`: the class map of classify
// (nearest centre, ties to the lowest index), so that a label image says
// exactly what the measures rated. Levels absent from `h` get class 0.
std::vector<std::uint16_t> label_lookup(const histogram& h, const std::vector<double>& centres);

// Label images need 16 bits when a chain leaves more than 256 classes; more
// than 65536 do not fit either.
constexpr std::size_t max_label_classes = 65536;
inline bool needs_sixteen_bits(std::size_t classes) { return classes > 256; }

// Writes label images in some file format; an engine brings one.
class label_store {
public:
    virtual ~label_store() = default;
    // True when `file` is not there, or is a label image this store wrote
    // (and may be replaced); otherwise false, saying why in `why`.
    virtual bool may_replace(const std::string& file, std::string* why) const = 0;
    // Writes the label image of `gray` (each pixel lookup[level]) to `file`
    // with 8 bits a pixel, or 16 when `sixteen`; replaces the file only when
    // may_replace allows it, and leaves nothing behind when it fails.
    virtual bool write(const std::string& file, const gray_plane& gray, const std::vector<std::uint16_t>& lookup,
                       bool sixteen, std::string* why) const = 0;
    // Writes `classes` (each pixel's class index) the same way: a scored
    // method's own segmentation.
    virtual bool write_plane(const std::string& file, const label_plane& classes, bool sixteen,
                             std::string* why) const = 0;
    // The name prefix of the temporary files (temporary_file) it writes
    // before renaming them into place, in the label image's folder.
    virtual std::string temporary_prefix() const = 0;
};

}  // namespace strandel
