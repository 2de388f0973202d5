// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ground_truth.h"

#include <filesystem>

namespace strandel {

namespace {

const char* const placeholders[] = {"{dir}", "{stem}", "{ext}", "{name}"};

}  // namespace

bool check_ground_truth_pattern(const std::string& pattern, std::string* error) {
    if (pattern.empty()) {
        *error = "--ground-truth: the pattern is empty";
        return false;
    }
    for (std::size_t at = pattern.find('{'); at != std::string::npos; at = pattern.find('{', at + 1)) {
        bool known = false;
        for (const char* p : placeholders) known = known || pattern.compare(at, std::string(p).size(), p) == 0;
        if (!known) {
            *error = "--ground-truth '" + pattern + "': unknown placeholder at '" + pattern.substr(at, 12) +
                     "' (use {dir}, {stem}, {ext} or {name})";
            return false;
        }
    }
    return true;
}

std::string ground_truth_path(const std::string& pattern, const std::string& image, const std::string& base) {
    const std::filesystem::path path(image);
    std::string dir = path.parent_path().string();
    if (dir.empty()) dir = ".";
    const std::string values[] = {dir, path.stem().string(), path.extension().string(), path.filename().string()};
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        bool replaced = false;
        for (std::size_t p = 0; p < 4 && !replaced; ++p) {
            const std::string name = placeholders[p];
            if (pattern.compare(i, name.size(), name) == 0) {
                out += values[p];
                i += name.size();
                replaced = true;
            }
        }
        if (!replaced) out += pattern[i++];
    }
    const bool from_image = pattern.compare(0, 5, "{dir}") == 0;
    if (base.empty() || from_image || pattern[0] == '/') return out;
    return base + (base.back() == '/' ? "" : "/") + out;
}

std::vector<image_request> requests_with_ground_truth(const std::vector<std::string>& images,
                                                      const std::string& pattern, const std::string& base) {
    if (pattern.empty()) return requests_beside(images);
    std::vector<image_request> requests;
    requests.reserve(images.size());
    for (const std::string& image : images) requests.push_back({image, ground_truth_path(pattern, image, base)});
    return requests;
}

}  // namespace strandel
