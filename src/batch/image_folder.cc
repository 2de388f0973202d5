// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/image_folder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>

namespace strandel {

namespace fs = std::filesystem;

namespace {

std::string normal(const std::string& path) { return fs::path(path).lexically_normal().string(); }

}  // namespace

bool has_image_extension(const std::string& file_name) {
    static const std::set<std::string> extensions = {".bmp", ".exr", ".gif", ".hdr", ".jp2", ".jpeg", ".jpg",
                                                     ".pbm", ".pgm", ".png", ".pnm", ".ppm", ".tga", ".tif",
                                                     ".tiff", ".webp", ".xcf"};
    std::string extension = fs::path(file_name).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extensions.count(extension) != 0;
}

bool expand_image_folders(const std::vector<std::string>& arguments, std::vector<std::string>* images,
                          std::string* error, const std::function<bool(const std::string& file)>& leave_out,
                          std::size_t* left_out) {
    if (left_out) *left_out = 0;
    std::vector<std::string> out;
    for (const std::string& argument : arguments) {
        std::error_code failure;
        if (argument.empty() || !fs::is_directory(argument, failure)) {
            out.push_back(argument);
            continue;
        }
        std::vector<std::string> found;
        for (fs::directory_iterator entry(argument, failure), end; !failure && entry != end; entry.increment(failure)) {
            const std::string name = entry->path().filename().string();
            if (name[0] == '.' || !has_image_extension(name) || entry->is_directory(failure)) continue;
            found.push_back(name);
        }
        if (failure) {
            *error = "Could not read the folder '" + argument + "': " + failure.message();
            return false;
        }
        std::sort(found.begin(), found.end());
        const std::string prefix = argument.back() == '/' ? argument : argument + "/";
        for (const std::string& name : found) {
            if (leave_out && leave_out(prefix + name)) {
                if (left_out) ++*left_out;
                continue;
            }
            out.push_back(prefix + name);
        }
    }
    images->swap(out);
    return true;
}

std::size_t drop_manual_segmentations(std::vector<image_request>* requests) {
    std::multimap<std::string, std::string> owners;  // manual segmentation -> image
    for (const image_request& r : *requests)
        for (const std::string& truth : truth_files(r)) owners.emplace(normal(truth), normal(r.image));
    auto is_manual_of_another = [&owners](const image_request& r) {
        const std::string image = normal(r.image);
        const auto range = owners.equal_range(image);
        for (auto owner = range.first; owner != range.second; ++owner)
            if (owner->second != image) return true;
        return false;
    };
    const std::size_t before = requests->size();
    requests->erase(std::remove_if(requests->begin(), requests->end(), is_manual_of_another), requests->end());
    return before - requests->size();
}

}  // namespace strandel
