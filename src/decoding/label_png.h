// SPDX-License-Identifier: GPL-3.0-or-later
// Label images as PNG, the form segmentation benchmarks exchange: one gray
// pixel per image pixel holding its class index, 8 bits (16 past 256
// classes). Every file written carries the text chunk
// "Software: Strandel label image" before its pixels; that is how a file
// this system wrote, and may replace, is told from anyone else's.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "batch/label_images.h"

namespace strandel {

// Whether `file` is a PNG carrying the text chunk above.
bool is_label_png(const std::string& file);

// The name prefix of a label image's temporary file in its folder.
inline constexpr const char* label_temporary_prefix = ".strandel-label-";

// The PNG label_store of strandel-bench and strandel-chain.
class png_label_store : public label_store {
public:
    bool may_replace(const std::string& file, std::string* why) const override;
    // Encodes into a temporary file beside `file`, then renames it over.
    bool write(const std::string& file, const gray_plane& gray, const std::vector<std::uint16_t>& lookup, bool sixteen,
               std::string* why) const override;
    bool write_plane(const std::string& file, const label_plane& classes, bool sixteen,
                     std::string* why) const override;
    std::string temporary_prefix() const override { return label_temporary_prefix; }

    // Fills row y's class indices.
    using row_filler = std::function<void(int y, std::vector<std::uint16_t>* values)>;

private:
    bool write_encoded(const std::string& file, int width, int height, bool sixteen, const row_filler& fill,
                       std::string* why) const;
};

}  // namespace strandel
