// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/image_reader.h"

namespace strandel {

std::vector<image_request> requests_beside(const std::vector<std::string>& images) {
    std::vector<image_request> requests;
    requests.reserve(images.size());
    for (const std::string& image : images) {
        image_request request;
        request.image = image;
        request.manual = manual_segmentation_name(image);
        requests.push_back(std::move(request));
    }
    return requests;
}

void forget_ground_truths(image_data& data) {
    data.truths.clear();
    data.scored.clear();
    data.manual_in_walk = false;
    data.colour = false;
}

std::vector<std::string> truth_files(const image_request& request) {
    std::vector<std::string> files;
    if (!request.manual.empty()) files.push_back(request.manual);
    files.insert(files.end(), request.more_truths.begin(), request.more_truths.end());
    return files;
}

}  // namespace strandel
