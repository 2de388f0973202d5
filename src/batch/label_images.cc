// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/label_images.h"

#include <filesystem>
#include <map>

#include "evaluation/classification.h"

namespace strandel {

std::string file_stem(const std::string& image) {
    std::string stem = std::filesystem::path(image).filename().string();
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    return stem;
}

std::string label_image_path(const std::string& folder, const std::string& image, int chain_number) {
    return (std::filesystem::path(folder) / (file_stem(image) + "." + std::to_string(chain_number) + ".png")).string();
}

bool stems_distinct(const std::vector<image_request>& images, std::string* error) {
    std::map<std::string, const std::string*> first;
    for (const image_request& request : images) {
        const auto [at, added] = first.emplace(file_stem(request.image), &request.image);
        if (added || *at->second == request.image) continue;
        *error = "'" + *at->second + "' and '" + request.image + "' would both save their segmentations as '" +
                 at->first + ".N.png': rename one of them";
        return false;
    }
    return true;
}

std::vector<std::uint16_t> label_lookup(const histogram& h, const std::vector<double>& centres) {
    std::vector<std::uint16_t> lookup(256, 0);
    class_map classes;
    classify(h, centres, &classes);
    for (const auto& [c, level] : classes) lookup[level] = static_cast<std::uint16_t>(c);
    return lookup;
}

}  // namespace strandel
