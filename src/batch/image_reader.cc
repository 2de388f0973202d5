// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/image_reader.h"

namespace strandel {

std::vector<image_request> requests_beside(const std::vector<std::string>& images) {
    std::vector<image_request> requests;
    requests.reserve(images.size());
    for (const std::string& image : images) requests.push_back({image, manual_segmentation_name(image)});
    return requests;
}

}  // namespace strandel
